#include "files/unused_slider_filter.h"

#include <gtest/gtest.h>

#include <vector>

#include "fake_file_interaction.h"
#include "files/slider_file_commands.h"
#include "files/slider_settings_file.h"
#include "support/temp_dir.h"

namespace quorvane {
namespace {

using Answer = FileInteraction::Answer;
using testing::FakeFileInteraction;
using testing::TempDir;

// Former sequence numbers, read back from the captions the fixture gives.
std::vector<int> Order(const TPageSet& defs) {
  std::vector<int> order;
  for (const Tcontroller& d : defs) order.push_back(d.caption.mid(1).toInt());
  return order;
}
std::vector<int> EnabledOnes(const TPageSet& defs) {
  std::vector<int> on;
  for (const Tcontroller& d : defs)
    if (d.enabled) on.push_back(d.caption.mid(1).toInt());
  return on;
}
// 1..120 without the numbers given, in order.
std::vector<int> AllBut(const std::vector<int>& left_out) {
  std::vector<int> rest;
  for (int n = 1; n <= kDefinitionCount; ++n)
    if (std::find(left_out.begin(), left_out.end(), n) == left_out.end()) rest.push_back(n);
  return rest;
}
std::vector<int> Concat(std::vector<int> a, const std::vector<int>& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

QByteArray Patch(const QByteArray& start, const QByteArray& body, const QByteArray& end) {
  return "[Header]\r\nVersion=Nord Modular patch 3.0\r\n" + start + "\r\n" + body + end +
         "\r\n[Notes]\r\n";
}

class FilterCommandsTest : public ::testing::Test {
 protected:
  FilterCommandsTest() : commands(defs, dump, ui) {
    defs.Initialize();
    for (int n = 1; n <= kDefinitionCount; ++n) {
      defs.byNumber(n).caption = QStringLiteral("D%1").arg(n);
      defs.byNumber(n).value = 33;
    }
    initial = defs;
    QObject::connect(&commands, &SliderFileCommands::definitionsReplaced, [this] { ++replaced; });
  }

  // Runs the patch-file command on a file holding bytes.
  bool RunPatch(const QByteArray& bytes) {
    ui.patch_choices = {dir.write("Lead.pch", bytes)};
    return commands.FilterUsingPatchFile();
  }

  TempDir dir;
  TPageSet defs;
  TPageSet initial;
  QString dump;
  FakeFileInteraction ui;
  SliderFileCommands commands;
  int replaced = 0;
};

const QByteArray kOneFiveSeven = "1 0 2 0 1\r\n0 3 5\r\n2 1 7\r\n";

TEST_F(FilterCommandsTest, UsedDefinitionsComeFirstEnabledAndTheRestFollowDisabledInOrder) {
  const struct {
    const char* name;
    QByteArray file;
  } cases[] = {
      {"as written", Patch("[CtrlMapDump]", kOneFiveSeven, "[/CtrlMapDump]")},
      {"lower case markers", Patch("[ctrlmapdump]", kOneFiveSeven, "[/ctrlmapdump]")},
      {"line feeds only", "[CtrlMapDump]\n1\n5\n7\n[/CtrlMapDump]\n"},
      {"hex, blanks, out of range ignored",
       Patch("[CtrlMapDump]", "  $1\t\r\n0 5 \r\n1 200\r\n-3\r\n0 7\r\n", "[/CtrlMapDump]")},
  };
  for (const auto& c : cases) {
    defs = initial;
    replaced = 0;
    EXPECT_TRUE(RunPatch(c.file)) << c.name;
    EXPECT_EQ(Order(defs), Concat({1, 5, 7}, AllBut({1, 5, 7}))) << c.name;
    EXPECT_EQ(EnabledOnes(defs), (std::vector<int>{1, 5, 7})) << c.name;
    EXPECT_EQ(defs.at(1, 2),
              [&] {
                Tcontroller moved = initial.byNumber(5);
                moved.enabled = true;
                return moved;
              }())
        << "a definition moves whole: " << c.name;
    EXPECT_EQ(replaced, 1) << c.name;
    EXPECT_TRUE(ui.warnings.empty()) << c.name;
  }
  EXPECT_EQ(commands.PatchDir(), dir.path() + "/");
}

TEST_F(FilterCommandsTest, MissingMarkersOrABadNumberChangeNothing) {
  const struct {
    const char* name;
    QByteArray file;
    QString warning;
  } cases[] = {
      {"start marker with a trailing blank",
       Patch("[CtrlMapDump] ", kOneFiveSeven, "[/CtrlMapDump]"),
       "No controller assignments found."},
      {"no end marker", Patch("[CtrlMapDump]", kOneFiveSeven, "[/CtrlMap]"),
       "No controller assignments found."},
      {"blank line", Patch("[CtrlMapDump]", "1\r\n\r\n7\r\n", "[/CtrlMapDump]"),
       "'' is not a valid integer value"},
      {"text", Patch("[CtrlMapDump]", "1 x7\r\n", "[/CtrlMapDump]"),
       "'x7' is not a valid integer value"},
      {"too large", Patch("[CtrlMapDump]", "1 99999999999\r\n", "[/CtrlMapDump]"),
       "'99999999999' is not a valid integer value"},
  };
  for (const auto& c : cases) {
    ui.warnings.clear();
    replaced = 0;
    EXPECT_FALSE(RunPatch(c.file)) << c.name;
    EXPECT_EQ(defs, initial) << c.name;
    EXPECT_EQ(replaced, 0) << c.name;
    EXPECT_EQ(ui.warnings, std::vector<QString>{c.warning}) << c.name;
  }
}

TEST_F(FilterCommandsTest, AnEmptySectionDisablesEverythingAndKeepsTheOrder) {
  for (const QByteArray& file : {Patch("[CtrlMapDump]", "", "[/CtrlMapDump]"),
                                 QByteArray("[/CtrlMapDump]\n1\n[CtrlMapDump]\n")}) {
    defs = initial;
    EXPECT_TRUE(RunPatch(file)) << file.constData();
    EXPECT_EQ(Order(defs), AllBut({})) << file.constData();
    EXPECT_TRUE(EnabledOnes(defs).empty()) << file.constData();
  }
}

TEST_F(FilterCommandsTest, FlagsFollowTheControllerNumberSoASecondRunChangesNothing) {
  defs.at(1, 1).ctrl = 74;
  defs.at(4, 2).ctrl = 5;
  initial = defs;
  const QByteArray file = Patch("[CtrlMapDump]", "0 74\r\n5\r\n", "[/CtrlMapDump]");
  ASSERT_TRUE(RunPatch(file));
  const std::vector<int> first = Order(defs);
  EXPECT_EQ(first, Concat({1, 5, 74}, AllBut({1, 5, 74})));
  EXPECT_EQ(EnabledOnes(defs), (std::vector<int>{1, 5, 74}));
  const TPageSet after_first = defs;
  ASSERT_TRUE(RunPatch(file));
  EXPECT_EQ(defs, after_first);
}

TEST_F(FilterCommandsTest, AFileThatCannotBeReadIsToldAndOnlyTheFolderMoves) {
  ui.patch_choices = {dir.file("missing/none.pch")};
  EXPECT_FALSE(commands.FilterUsingPatchFile());
  EXPECT_EQ(ui.warnings, std::vector<QString>{"Could not open file."});
  EXPECT_EQ(commands.PatchDir(), dir.path() + "/missing/");
  EXPECT_EQ(defs, initial);

  commands.SetPatchDir("/patches/");
  ui.patch_choices = {std::nullopt};
  EXPECT_FALSE(commands.FilterUsingPatchFile());
  EXPECT_EQ(ui.patch_calls.back().start_dir, "/patches/");
  EXPECT_EQ(commands.PatchDir(), "/patches/");
}

TEST_F(FilterCommandsTest, TheCurrentFileIsOfferedForReloadFirst) {
  // The current file holds the initial order, with values of its own.
  TPageSet in_file = initial;
  for (Tcontroller& d : in_file) d.value = 99;
  SettingsTextFile saved;
  WriteSliderSettings(saved, in_file, "F0 F7");
  const QString current = dir.write("Set.qrt", saved.ToBytes());
  const QByteArray file = Patch("[CtrlMapDump]", kOneFiveSeven, "[/CtrlMapDump]");
  const struct {
    Answer answer;
    bool ran;
    int value;  // of every definition afterwards
  } cases[] = {{Answer::kCancel, false, 33}, {Answer::kNo, true, 33}, {Answer::kYes, true, 99}};
  for (const auto& c : cases) {
    defs = initial;
    commands.SetCurrentFileName(QString(), false);
    ASSERT_TRUE(RunPatch(file));  // no current file: nothing asked
    const TPageSet filtered = defs;
    commands.SetCurrentFileName(current, false);
    ui.questions.clear();
    ui.answers = {c.answer};
    EXPECT_EQ(RunPatch(file), c.ran);
    ASSERT_EQ(ui.questions.size(), 1u);
    EXPECT_EQ(ui.questions[0].text, "Reload current slider settings?\n" + current);
    EXPECT_EQ(ui.questions[0].kind, FileInteraction::Kind::kConfirm);
    EXPECT_EQ(ui.questions[0].buttons, FileInteraction::Buttons::kYesNoCancel);
    EXPECT_EQ(Order(defs), Order(filtered));
    EXPECT_EQ(EnabledOnes(defs), (std::vector<int>{1, 5, 7}));
    for (const Tcontroller& d : defs) ASSERT_EQ(d.value, c.value);
  }
}

TEST_F(FilterCommandsTest, ADumpKeepsWhatArrivedWhileThePromptWasOpen) {
  defs.byNumber(120).ctrl = 125;  // no captured value exists above 120
  defs.byNumber(120).value = 44;
  bool active_while_asked = false;
  ui.while_asked = [&](const QString& text) {
    EXPECT_EQ(text, "Send the controller dump on your MIDI device and press OK to continue.");
    active_while_asked = commands.Capture().active;
    commands.Capture().Record(7, 100);
    commands.Capture().Record(9, 20);
    commands.Capture().Record(125, 90);
  };
  ui.answers = {Answer::kOk};
  EXPECT_TRUE(commands.FilterUsingControllerDump());
  EXPECT_TRUE(active_while_asked);
  EXPECT_FALSE(commands.Capture().active);
  EXPECT_EQ(ui.questions.at(0).buttons, FileInteraction::Buttons::kOkCancel);
  EXPECT_EQ(Order(defs), Concat({7, 9, 120}, AllBut({7, 9, 120})));
  EXPECT_EQ(EnabledOnes(defs), (std::vector<int>{7, 9, 120}));
  EXPECT_EQ(defs.at(1, 1).value, 100);
  EXPECT_EQ(defs.at(1, 2).value, 20);
  EXPECT_EQ(defs.at(1, 3).value, 44) << "a controller above 120 keeps its value";
  for (int i = 3; i < kDefinitionCount; ++i) EXPECT_EQ(defs[i].value, 0) << i;
  EXPECT_EQ(replaced, 1);
}

TEST_F(FilterCommandsTest, TheCaptureEndsOnEveryWayOut) {
  commands.SetCurrentFileName(dir.write("Set.qrt", "x"), false);
  const struct {
    const char* name;
    std::deque<Answer> answers;
  } cases[] = {
      {"prompt cancelled", {Answer::kCancel}},
      {"reload cancelled", {Answer::kOk, Answer::kCancel}},
  };
  for (const auto& c : cases) {
    ui.while_asked = [&](const QString&) { commands.Capture().Record(3, 9); };
    ui.answers = c.answers;
    EXPECT_FALSE(commands.FilterUsingControllerDump()) << c.name;
    EXPECT_FALSE(commands.Capture().active) << c.name;
    EXPECT_EQ(defs, initial) << c.name;
    EXPECT_EQ(replaced, 0) << c.name;
  }
}

TEST(ParseIntegerText, ReadsSignedDecimalAndDollarHex) {
  const struct {
    const char* text;
    std::optional<std::int64_t> value;
  } cases[] = {
      {"7", 7},
      {"+7", 7},
      {"-7", -7},
      {"007", 7},
      {"$1F", 31},
      {"$1f", 31},
      {"-$10", -16},
      {"2147483647", 2147483647},
      {"", std::nullopt},
      {"-", std::nullopt},
      {"$", std::nullopt},
      {"2147483648", std::nullopt},
      {"0x10", std::nullopt},
      {"1F", std::nullopt},
      {"7 ", std::nullopt},
      {"1.5", std::nullopt},
  };
  for (const auto& c : cases) EXPECT_EQ(ParseIntegerText(c.text), c.value) << c.text;
}

TEST(SplitLines, BreaksAtCarriageReturnLineFeedOrBoth) {
  const struct {
    const char* text;
    QStringList lines;
  } cases[] = {
      {"a\r\nb\rc\nd", {"a", "b", "c", "d"}},
      {"a\n\rb", {"a", "", "b"}},
      {"a\n", {"a"}},
      {"a\n\n", {"a", ""}},
      {"", {}},
  };
  for (const auto& c : cases) EXPECT_EQ(SplitLines(c.text), c.lines) << c.text;
}

TEST(DumpCapture, RecordsFlagsForEveryControllerAndValuesUpTo120) {
  DumpCapture capture;
  capture.Record(0, 5);
  capture.Record(120, 6);
  capture.Record(121, 7);
  capture.Record(127, 8);
  capture.Record(128, 9);  // no such controller
  capture.Record(-1, 9);
  std::vector<int> used;
  for (int c = 0; c < kControllerNumbers; ++c)
    if (capture.used[static_cast<std::size_t>(c)]) used.push_back(c);
  EXPECT_EQ(used, (std::vector<int>{0, 120, 121, 127}));
  EXPECT_EQ(capture.values[0], 5);
  EXPECT_EQ(capture.values[120], 6);
  capture.Clear();
  EXPECT_EQ(capture.used, UsedControllers{});
  EXPECT_EQ(capture.values[120], 0);
}

}  // namespace
}  // namespace quorvane
