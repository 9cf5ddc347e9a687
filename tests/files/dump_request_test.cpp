#include "files/dump_request.h"

#include <gtest/gtest.h>

#include "fake_file_interaction.h"

namespace quorvane {
namespace {

using Bytes = std::vector<std::uint8_t>;
using testing::FakeFileInteraction;

TEST(ParseSysexString, ReadsHexTokensSeparatedBySingleBlanks) {
  const struct {
    const char* text;
    std::optional<Bytes> bytes;
  } cases[] = {
      {"F0 7E 7F 06 01 F7", Bytes{0xF0, 0x7E, 0x7F, 0x06, 0x01, 0xF7}},
      {"f0 43 20 7a f7", Bytes{0xF0, 0x43, 0x20, 0x7A, 0xF7}},
      {"  F0 F7  ", Bytes{0xF0, 0xF7}},
      {"\tF0 F7\r\n", Bytes{0xF0, 0xF7}},
      {"7F", Bytes{0x7F}},
      {"100", Bytes{0x00}},
      {"1F0", std::nullopt},  // F0 alone: a message without its end
      {"FFFFFFFF", Bytes{0xFF}},
      {"00000000001F", Bytes{0x1F}},  // leading zeros still fit in 32 bits
      {"100000000", std::nullopt},    // beyond 32 bits
      {"F0  F7", std::nullopt},       // the double blank makes an empty token
      {"F0\tF7", std::nullopt},       // only the blank separates
      {"", std::nullopt},
      {"   ", std::nullopt},
      {"G0", std::nullopt},
      {"0x10", std::nullopt},
      {"-1", std::nullopt},
      {"$F0", std::nullopt},
      {"F0,F7", std::nullopt},
      {"\xef\xbc\x91", std::nullopt},  // a full-width digit is no hex digit
      {"F0 41 10", std::nullopt},      // a message cut before its end
      {"1F0 41 F7", Bytes{0xF0, 0x41, 0xF7}},
      {"41 10 F0", Bytes{0x41, 0x10, 0xF0}},  // only a message that starts with F0 must end
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ParseSysexString(QString::fromUtf8(c.text)), c.bytes) << c.text;
  }
  // The output sends at most 65,535 bytes.
  for (const std::size_t n : {65535u, 65536u}) {
    const auto bytes = ParseSysexString("F0 " + QStringLiteral("01 ").repeated(n - 2) + "F7");
    EXPECT_EQ(bytes.value_or(Bytes{}).size(), n <= 65535 ? n : 0u);
  }
}

TEST(EditDumpRequestString, StoresAValidEntryAsTypedAndRefusesAnInvalidOne) {
  const struct {
    std::optional<QString> typed;
    QString stored;
    bool changed;
    bool warned;
  } cases[] = {
      {QString(" F0 41 10 F7 "), " F0 41 10 F7 ", true, false},
      {QString("f0 43 20 7a f7"), "f0 43 20 7a f7", true, false},
      {QString("F0  F7"), "F0 7E F7", false, true},
      {QString(""), "F0 7E F7", false, true},
      {QString("F0 41 10"), "F0 7E F7", false, true},
      {std::nullopt, "F0 7E F7", false, false},  // cancelled
  };
  for (const auto& c : cases) {
    const QString label = c.typed.value_or("(cancel)");
    QString dump = "F0 7E F7";
    FakeFileInteraction ui;
    ui.input_answers = {c.typed};
    EXPECT_EQ(EditDumpRequestString(dump, ui), c.changed) << label.toStdString();
    EXPECT_EQ(dump, c.stored) << label.toStdString();
    ASSERT_EQ(ui.inputs.size(), 1u);
    EXPECT_EQ(ui.inputs[0].caption, "Dump Request String");
    EXPECT_EQ(ui.inputs[0].prompt, "Enter the sysex string (F0 .. .. F7).");
    EXPECT_EQ(ui.inputs[0].text, "F0 7E F7");
    EXPECT_EQ(ui.warnings,
              c.warned ? std::vector<QString>{"Invalid input."} : std::vector<QString>{})
        << label.toStdString();
  }
}

}  // namespace
}  // namespace quorvane
