#include "files/settings_text_file.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QStringDecoder>

#include "settings_test_util.h"
#include "support/temp_dir.h"

namespace quorvane {
namespace {

using testing::TempDir;

using testing::FromBytes;

QByteArray ReadAll(const QString& path) {
  QFile f(path);
  EXPECT_TRUE(f.open(QIODevice::ReadOnly)) << path.toStdString();
  return f.readAll();
}

TEST(SettingsTextRead, SectionsAndKeysIgnoreCaseAndAbsentKeysGiveTheDefault) {
  const auto f = FromBytes("[Slider Settings]\nS1_CTRL=12\n[other]\ns1_ctrl=99\n");
  EXPECT_EQ(f.ReadInteger("slider settings", "s1_ctrl", 5), 12);
  EXPECT_EQ(f.ReadInteger("SLIDER SETTINGS", "S1_Ctrl", 5), 12);
  EXPECT_EQ(f.ReadInteger("Slider Settings", "s2_ctrl", 5), 5);
  EXPECT_EQ(f.ReadInteger("Missing", "s1_ctrl", 5), 5);
  EXPECT_EQ(f.ReadString("Missing", "x", "dflt"), "dflt");
}

TEST(SettingsTextRead, NamesThatDifferOutsideLettersStayApart) {
  // Pairs 0x20 apart that only "A".."Z" / "a".."z" may treat alike; long names span words.
  const auto f =
      FromBytes("[s@]\nk=1\n[s`]\nk=2\n[S]\na[=3\na{=4\nlong_name_x=5\nlong\x7Fname_x=6\n");
  EXPECT_EQ(f.ReadInteger("s@", "k", 0), 1);
  EXPECT_EQ(f.ReadInteger("s`", "k", 0), 2);
  EXPECT_EQ(f.ReadInteger("s", "a[", 0), 3);
  EXPECT_EQ(f.ReadInteger("s", "A{", 0), 4);
  EXPECT_EQ(f.ReadInteger("s", "LONG_NAME_X", 0), 5);
  EXPECT_EQ(f.ReadInteger("s", "long\x7Fname_X", 0), 6);
}

TEST(SettingsTextRead, EmptyValueIsNotAbsentAndValuesAreTrimmedAndUnquotedOnce) {
  const auto f = FromBytes(
      "[A]\nempty=\nblank=   \npadded =  two words \t\nq1=\"quoted \"\nq2='single'\n"
      "q3=\"\"inner\"\"\nmixed=\"abc'\nlone=\"\neq=a=b\n");
  EXPECT_EQ(f.ReadString("A", "empty", "dflt"), "");
  EXPECT_EQ(f.ReadString("A", "blank", "dflt"), "");
  EXPECT_EQ(f.ReadString("A", "padded", ""), "two words");
  EXPECT_EQ(f.ReadString("A", "q1", ""), "quoted ");
  EXPECT_EQ(f.ReadString("A", "q2", ""), "single");
  EXPECT_EQ(f.ReadString("A", "q3", ""), "\"inner\"");
  EXPECT_EQ(f.ReadString("A", "mixed", ""), "\"abc'");
  EXPECT_EQ(f.ReadString("A", "lone", ""), "\"");
  EXPECT_EQ(f.ReadString("A", "eq", ""), "a=b");
}

TEST(SettingsTextRead, StringsAreCutAt2047Characters) {
  const QByteArray longv(100000, 'x');
  const auto f = FromBytes("[A]\nk=" + longv + "\nafter=1\n");
  EXPECT_EQ(f.ReadString("A", "k", "").size(), 2047);
  EXPECT_EQ(f.ReadInteger("A", "after", 0), 1) << "a long line must not swallow the next";
}

TEST(SettingsTextRead, IntegersAcceptDecimalAndHexAndRejectEverythingElse) {
  const auto f = FromBytes(
      "[I]\ndec=42\nneg=-17\nplus=+8\nhex=0x40\nhexup=0X1f\ndollar=$10\nmax=2147483647\n"
      "min=-2147483648\nover=2147483648\nunder=-2147483649\nall=0xFFFFFFFF\nhexover=0x100000000\n"
      "bare0x=0x\nbaredollar=$\ntrail=12abc\nspace=1 2\nquoted=\"7\"\nempty=\nsign=-\n"
      "badhex=0xZZ\nfloat=1.5\n");
  EXPECT_EQ(f.ReadInteger("I", "dec", 0), 42);
  EXPECT_EQ(f.ReadInteger("I", "neg", 0), -17);
  EXPECT_EQ(f.ReadInteger("I", "plus", 0), 8);
  EXPECT_EQ(f.ReadInteger("I", "hex", 0), 64);
  EXPECT_EQ(f.ReadInteger("I", "hexup", 0), 31);
  EXPECT_EQ(f.ReadInteger("I", "dollar", 0), 16);
  EXPECT_EQ(f.ReadInteger("I", "max", 0), 2147483647);
  EXPECT_EQ(f.ReadInteger("I", "min", 0), INT32_MIN);
  EXPECT_EQ(f.ReadInteger("I", "all", 0), -1);
  EXPECT_EQ(f.ReadInteger("I", "quoted", 0), 7);
  for (const char* bad : {"over", "under", "hexover", "bare0x", "baredollar", "trail", "space",
                          "empty", "sign", "badhex", "float"})
    EXPECT_EQ(f.ReadInteger("I", bad, -99), -99) << bad;
}

TEST(SettingsTextRead, BooleansAndBytesFollowTheIntegerRules) {
  const auto f = FromBytes("[B]\ntwo=2\nzero=0\nabc=abc\nbig=300\nminus=-1\nhex=0x1FF\n");
  EXPECT_TRUE(f.ReadBool("B", "two", false));
  EXPECT_FALSE(f.ReadBool("B", "zero", true));
  EXPECT_TRUE(f.ReadBool("B", "abc", true));
  EXPECT_FALSE(f.ReadBool("B", "abc", false));
  EXPECT_EQ(f.ReadByte("B", "big", 0), 44);
  EXPECT_EQ(f.ReadByte("B", "minus", 0), 255);
  EXPECT_EQ(f.ReadByte("B", "hex", 0), 255);
  EXPECT_EQ(f.ReadByte("B", "abc", 7), 7);
}

TEST(SettingsTextRead, FirstSectionAndFirstKeyWinAndCommentsAreNotKeys) {
  auto f = FromBytes("[S]\nk=1\nk=2\n;c=3\n#d=4\nplain\n=nokey\n[s]\nk=4\nj=5\n");
  EXPECT_EQ(f.ReadInteger("S", "k", 0), 1);
  EXPECT_FALSE(f.HasKey("S", ";c"));
  EXPECT_FALSE(f.HasKey("S", "#d"));
  EXPECT_FALSE(f.HasKey("S", "j"));
  f.WriteInteger("S", "new", 1);
  f.WriteInteger("S", "k", 9);
  EXPECT_EQ(f.ToBytes(), "[S]\nk=9\nk=2\nnew=1\n;c=3\n#d=4\nplain\n=nokey\n[s]\nk=4\nj=5\n");
}

TEST(SettingsTextWrite, RewritingKeepsEveryOtherByteAndTheLineEndings) {
  const QByteArray original =
      "; top comment\r\n"
      "\r\n"
      "[Keep]\r\n"
      "bin=\xff\xfe\x01 not utf8\r\n"
      "[Main]\r\n"
      "Alpha = 1\r\n"
      "beta=2\r\n"
      "\r\n"
      "[Tail]\r\n"
      "z=9";
  auto f = FromBytes(original);
  f.WriteInteger("main", "ALPHA", 10);  // rewritten in place, spelled as in the file
  f.WriteString("Main", "gamma", "new");
  f.WriteBool("Tail", "flag", true);
  f.WriteString("Fresh", "k", "v");
  const QByteArray expected =
      "; top comment\r\n"
      "\r\n"
      "[Keep]\r\n"
      "bin=\xff\xfe\x01 not utf8\r\n"
      "[Main]\r\n"
      "Alpha =10\r\n"
      "beta=2\r\n"
      "gamma=new\r\n"
      "\r\n"
      "[Tail]\r\n"
      "z=9\r\n"
      "flag=1\r\n"
      "[Fresh]\r\n"
      "k=v\r\n";
  EXPECT_EQ(f.ToBytes(), expected);
}

TEST(SettingsTextWrite, UnchangedFileRoundTripsExactly) {
  static const char raw[] = "\x00\x01garbage\n[A]\r\nk=v\n\n[B\nx=y\r\n  [C]  \nno newline";
  const QByteArray original(raw, sizeof(raw) - 1);
  EXPECT_EQ(FromBytes(original).ToBytes(), original);
}

TEST(SettingsTextWrite, ValuesWithLineBreaksCannotForgeKeys) {
  SettingsTextFile f;
  f.WriteString("A", "k", "one\n[A]\nforged=1\r\n");
  const auto back = FromBytes(f.ToBytes());
  EXPECT_FALSE(back.HasKey("A", "forged"));
  EXPECT_EQ(back.ReadString("A", "k", ""), "one [A] forged=1  ");
}

TEST(SettingsTextWrite, ValuesThatReadingWouldTrimOrUnquoteComeBackAsWritten) {
  for (const char* value : {" a ", "\"x\"", "'y'", "\"", "  ", "tab\t", "\"half", "plain"}) {
    SettingsTextFile f;
    f.WriteString("A", "k", QString::fromUtf8(value));
    EXPECT_EQ(FromBytes(f.ToBytes()).ReadString("A", "k", "?"), QString::fromUtf8(value))
        << "value [" << value << "]";
  }
}

TEST(SettingsTextWrite, WrittenValuesReadBack) {
  SettingsTextFile f;
  f.WriteInteger("N", "neg", -5);
  f.WriteString("N", "s", QString::fromUtf8("Bäss ✓"));
  f.WriteBool("N", "b", false);
  const auto back = FromBytes(f.ToBytes());
  EXPECT_EQ(back.ReadInteger("N", "neg", 0), -5);
  EXPECT_EQ(back.ReadString("N", "s", ""), QString::fromUtf8("Bäss ✓"));
  EXPECT_FALSE(back.ReadBool("N", "b", true));
  EXPECT_EQ(f.ToBytes(), QByteArray("[N]\nneg=-5\ns=B\xc3\xa4ss \xe2\x9c\x93\nb=0\n"));
}

TEST(SettingsTextWrite, CopiesAddKeysIndependently) {
  SettingsTextFile original;
  original.WriteInteger("N", "a", 1);
  SettingsTextFile copy = original;
  copy.WriteInteger("N", "copy", 2);
  original.WriteInteger("N", "original", 3);
  SettingsTextFile assigned;
  assigned = copy;
  assigned.WriteInteger("N", "assigned", 4);
  copy.WriteInteger("N", "copy2", 5);
  EXPECT_EQ(original.ToBytes(), "[N]\na=1\noriginal=3\n");
  EXPECT_EQ(copy.ToBytes(), "[N]\na=1\ncopy=2\ncopy2=5\n");
  EXPECT_EQ(assigned.ToBytes(), "[N]\na=1\ncopy=2\nassigned=4\n");
}

TEST(SettingsTextEncoding, ValidUtf8IsUtf8AndAnythingElseIsWindows1252) {
  const struct {
    const char* name;
    QByteArray value;
    TextEncoding encoding;
    const char* text;  // as UTF-8
  } cases[] = {
      {"ASCII", "plain", TextEncoding::kUtf8, "plain"},
      {"two-byte UTF-8", "Caf\xC3\xA9", TextEncoding::kUtf8, "Café"},
      {"four-byte UTF-8", "\xF0\x9F\x8E\xB9", TextEncoding::kUtf8, "🎹"},
      {"Latin-1 letter", "R\xE9sonance", TextEncoding::kWindows1252, "Résonance"},
      {"0x80..0x9F", "\x80\x85\x91\x92\x96\x99\x9F", TextEncoding::kWindows1252, "€…‘’–™Ÿ"},
      {"overlong slash", "\xC0\xAF", TextEncoding::kWindows1252, "À¯"},
      {"encoded surrogate", "\xED\xA0\x80", TextEncoding::kWindows1252, "í\xC2\xA0€"},
      {"above U+10FFFF", "\xF4\x90\x80\x80", TextEncoding::kWindows1252, "ô\xC2\x90€€"},
      {"cut sequence", "\xE2\x82", TextEncoding::kWindows1252, "â‚"},
  };
  for (const auto& c : cases) {
    const auto f = FromBytes("[A]\nk=" + c.value + "\n");
    EXPECT_EQ(f.encoding(), c.encoding) << c.name;
    EXPECT_EQ(f.ReadString("A", "k", {}), QString::fromUtf8(c.text)) << c.name;
  }
  EXPECT_EQ(SettingsTextFile().encoding(), TextEncoding::kUtf8) << "new files are UTF-8";
}

TEST(SettingsTextEncoding, EveryWindows1252ByteReadsAndWritesBack) {
  // Qt has the code page only with ICU; where it has it, the two must agree.
  QStringDecoder icu("windows-1252");
  for (int b = 0x80; b <= 0xFF; ++b) {
    const QByteArray byte(1, static_cast<char>(b));
    auto f = FromBytes("[A]\nk=" + byte + "\n");  // a lone high byte is never UTF-8
    ASSERT_EQ(f.encoding(), TextEncoding::kWindows1252);
    const QString read = f.ReadString("A", "k", {});
    ASSERT_EQ(read.size(), 1) << b;
    if (b >= 0xA0) {
      EXPECT_EQ(read.at(0).unicode(), b) << "Latin-1 above 0x9F";
    }
    const bool undefined = b == 0x81 || b == 0x8D || b == 0x8F || b == 0x90 || b == 0x9D;
    if (icu.isValid() && !undefined) {
      const QString expected = icu.decode(byte);
      EXPECT_EQ(read, expected) << b;
    }
    f.WriteString("A", "copy", read);
    EXPECT_TRUE(f.ToBytes().endsWith("\ncopy=" + byte + "\n")) << b;
  }
}

TEST(SettingsTextEncoding, WritesKeepTheEncodingTheFileWasReadIn) {
  const QString text = QString::fromUtf8("Déjà € ✓ 🎹");
  const QByteArray utf8 = "D\xC3\xA9j\xC3\xA0 \xE2\x82\xAC \xE2\x9C\x93 \xF0\x9F\x8E\xB9";
  const struct {
    const char* name;
    QByteArray original;
    QByteArray value, section, key;  // as written
  } cases[] = {
      {"Windows-1252", "[A]\r\nold=\xE9t\xE9\r\n", "D\xE9j\xE0 \x80 ? ?",
       "S\xE9"
       "ction",
       "cl\xE9"},
      {"UTF-8", "[A]\r\nold=\xC3\xA9t\xC3\xA9\r\n", utf8,
       "S\xC3\xA9"
       "ction",
       "cl\xC3\xA9"},
      {"ASCII", "[A]\r\nold=ete\r\n", utf8,
       "S\xC3\xA9"
       "ction",
       "cl\xC3\xA9"},
  };
  for (const auto& c : cases) {
    auto f = FromBytes(c.original);
    f.WriteString("A", "new", text);
    f.WriteString(QString::fromUtf8("Séction"), QString::fromUtf8("clé"), "v");
    EXPECT_EQ(f.ToBytes(),
              c.original + "new=" + c.value + "\r\n[" + c.section + "]\r\n" + c.key + "=v\r\n")
        << c.name;
    const auto back = FromBytes(f.ToBytes());
    EXPECT_EQ(back.encoding(), f.encoding()) << c.name;
    EXPECT_EQ(back.ReadString("a", "NEW", {}), f.ReadString("A", "new", {})) << c.name;
    EXPECT_EQ(back.ReadString(QString::fromUtf8("SéCTION"), QString::fromUtf8("clé"), {}), "v")
        << c.name;
  }
}

TEST(SettingsTextRead, ByteOrderMarkIsSkippedAndKept) {
  const QByteArray bom = "\xEF\xBB\xBF";
  auto f = FromBytes(bom + "[Window Settings]\r\nX=12\r\n");
  EXPECT_EQ(f.ReadInteger("Window Settings", "X", 0), 12);
  EXPECT_EQ(f.encoding(), TextEncoding::kUtf8);
  f.WriteInteger("Window Settings", "X", 5);
  f.WriteInteger("Window Settings", "Y", 6);
  EXPECT_EQ(f.ToBytes(), bom + "[Window Settings]\r\nX=5\r\nY=6\r\n");

  auto keys_first = FromBytes(bom + "top=1\n[A]\nk=2\n");
  EXPECT_EQ(keys_first.ToBytes(), bom + "top=1\n[A]\nk=2\n");
  keys_first.WriteInteger("A", "k", 3);
  EXPECT_EQ(keys_first.ToBytes(), bom + "top=1\n[A]\nk=3\n");

  auto only = FromBytes(bom);
  only.WriteInteger("A", "k", 1);
  EXPECT_EQ(only.ToBytes(), bom + "[A]\nk=1\n");
}

TEST(SettingsTextRead, LoneCarriageReturnsEndLines) {
  const struct {
    const char* name;
    QByteArray original;
    QByteArray expected;  // after the writes below
  } cases[] = {
      {"CR only", "[A]\rk=1\rj=2\r\r[B]\rz=9\r", "[A]\rk=7\rj=2\rn=8\r\r[B]\rz=9\r[C]\rx=y\r"},
      {"CR, last line open", "[A]\rk=1\rj=2\r\r[B]\rz=9",
       "[A]\rk=7\rj=2\rn=8\r\r[B]\rz=9\r[C]\rx=y\r"},
      {"CR before CRLF", "[A]\r\r\nk=1\r\nj=2\r\n\r\n[B]\r\nz=9\r\n",
       "[A]\r\r\nk=7\r\nj=2\r\nn=8\r\n\r\n[B]\r\nz=9\r\n[C]\r\nx=y\r\n"},
      {"LF then CR", "[A]\nk=1\rj=2\n\r[B]\nz=9\r", "[A]\nk=7\rj=2\nn=8\n\r[B]\nz=9\r[C]\nx=y\n"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(FromBytes(c.original).ToBytes(), c.original) << c.name;
    auto f = FromBytes(c.original);
    EXPECT_EQ(f.ReadInteger("A", "k", 0), 1) << c.name;
    EXPECT_EQ(f.ReadInteger("A", "j", 0), 2) << c.name;
    EXPECT_EQ(f.ReadInteger("B", "z", 0), 9) << c.name;
    f.WriteInteger("A", "k", 7);
    f.WriteInteger("A", "n", 8);
    f.WriteString("C", "x", "y");
    EXPECT_EQ(f.ToBytes(), c.expected) << c.name;
  }
}

TEST(SettingsTextLoad, MissingFileReadsAsEmpty) {
  TempDir dir;
  SettingsTextFile f(dir.file("none.ini"));
  EXPECT_TRUE(f.Load().ok);
  EXPECT_FALSE(f.existed());
  EXPECT_EQ(f.ReadInteger("A", "k", 3), 3);
}

TEST(SettingsTextLoad, FolderInPlaceOfTheFileIsAClearError) {
  TempDir dir;
  const QString path = dir.file("folder.ini");
  ASSERT_TRUE(QDir().mkdir(path));
  SettingsTextFile f(path);
  const FileStatus st = f.Load();
  EXPECT_FALSE(st.ok);
  EXPECT_EQ(st.message, "Unable to read " + path);
}

TEST(SettingsTextLoad, HugeFileIsRefusedWithoutReadingIt) {
  TempDir dir;
  const QString path = dir.file("huge.ini");
  QFile big(path);
  ASSERT_TRUE(big.open(QIODevice::WriteOnly));
  ASSERT_TRUE(big.resize(50 * 1024 * 1024));  // sparse
  big.close();
  SettingsTextFile f(path);
  const FileStatus st = f.Load();
  EXPECT_FALSE(st.ok);
  EXPECT_EQ(st.message, path + " is too large");
  EXPECT_EQ(f.ReadInteger("A", "k", 3), 3);
}

TEST(SettingsTextLoad, FileJustUnderTheLimitLoads) {
  TempDir dir;
  QByteArray bytes = "[A]\nk=5\n";
  bytes.append(QByteArray(SettingsTextFile::kMaxFileSize - bytes.size(), '\n'));
  SettingsTextFile f(dir.write("edge.ini", bytes));
  ASSERT_TRUE(f.Load().ok);
  EXPECT_EQ(f.ReadInteger("A", "k", 0), 5);
}

TEST(SettingsTextLoad, BinaryGarbageGivesDefaultsWithoutCrashing) {
  QByteArray junk;
  quint32 x = 12345;
  for (int i = 0; i < 200000; ++i) {
    x = x * 1664525u + 1013904223u;
    junk.append(static_cast<char>(x >> 24));
  }
  const auto f = FromBytes(junk);
  EXPECT_EQ(f.ReadInteger("Slider Settings", "s1_ctrl", 1), 1);
  EXPECT_EQ(f.ToBytes(), junk);
}

TEST(SettingsTextSave, SaveReplacesTheFileAndLeavesNoTemporaryFiles) {
  TempDir dir;
  const QString path = dir.write("a.ini", "[A]\nk=1\n");
  SettingsTextFile f(path);
  ASSERT_TRUE(f.Load().ok);
  f.WriteInteger("A", "k", 2);
  ASSERT_TRUE(f.Save().ok);
  EXPECT_EQ(ReadAll(path), "[A]\nk=2\n");
  EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"a.ini"});
}

TEST(SettingsTextSave, RefusedWriteReportsThePathAndKeepsTheOldFile) {
  TempDir dir;
  const QByteArray old = "[A]\nk=1\n";
  const QString path = dir.write("a.ini", old);
  SettingsTextFile f(path);
  ASSERT_TRUE(f.Load().ok);
  f.WriteInteger("A", "k", 2);
  f.SetWriter([](const QString&, const QByteArray&) { return false; });
  const FileStatus st = f.Save();
  EXPECT_FALSE(st.ok);
  EXPECT_EQ(st.message, "Unable to write to " + path);
  EXPECT_EQ(ReadAll(path), old);
}

TEST(SettingsTextSave, FolderInPlaceOfTheFileFailsAndSurvives) {
  TempDir dir;
  const QString path = dir.file("taken.ini");
  ASSERT_TRUE(QDir().mkdir(path));
  dir.write("taken.ini/inside", "x");
  SettingsTextFile f(path);
  f.WriteInteger("A", "k", 2);
  EXPECT_EQ(f.Save().message, "Unable to write to " + path);
  EXPECT_TRUE(QFileInfo(path).isDir());
  EXPECT_EQ(ReadAll(path + "/inside"), "x");
  EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{});
}

TEST(SettingsTextSave, MissingFolderFails) {
  TempDir dir;
  SettingsTextFile f(dir.file("no/such/folder.ini"));
  f.WriteInteger("A", "k", 2);
  EXPECT_FALSE(f.Save().ok);
}

TEST(SettingsTextSave, SavingThroughALinkKeepsTheLink) {
  TempDir dir;
  const QString real = dir.write("real.ini", "[A]\nk=1\n");
  const QString link = dir.file("link.ini");
  ASSERT_TRUE(QFile::link(real, link));
  SettingsTextFile f(link);
  ASSERT_TRUE(f.Load().ok);
  f.WriteInteger("A", "k", 3);
  ASSERT_TRUE(f.Save().ok);
  EXPECT_TRUE(QFileInfo(link).isSymLink());
  EXPECT_EQ(ReadAll(real), "[A]\nk=3\n");
}

}  // namespace
}  // namespace quorvane
