#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <ctime>

#include "files/app_settings.h"
#include "files/slider_settings_file.h"
#include "support/temp_dir.h"

namespace quorvane {
namespace {

using namespace std::chrono_literals;

// Sets the modification time of a file, folder or link (not its target) to seconds ago.
void Age(const QString& path, int seconds) {
  timespec times[2];
  times[0].tv_sec = times[1].tv_sec = std::time(nullptr) - seconds;
  times[0].tv_nsec = times[1].tv_nsec = 0;
  ASSERT_EQ(::utimensat(AT_FDCWD, QFile::encodeName(path).constData(), times, AT_SYMLINK_NOFOLLOW),
            0)
      << path.toStdString();
}

QStringList Entries(const QString& dir) {
  QStringList names =
      QDir(dir).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
  names.sort();
  return names;
}

// Only the temporary files a killed save of this very file leaves, once old enough, go.
TEST(StaleTemporaryFiles, OnlyOldFilesOfTheSavePatternAreRemoved) {
  testing::TempDir dir;
  const QString path = dir.write("Brellin.ini", "[A]\nk=1\n");
  const struct {
    const char* name;
    int age;  // seconds
    bool removed;
  } cases[] = {
      {".Brellin.ini.AbC123", 120, true},   {".Brellin.ini.zzzzzz", 61, true},
      {".Brellin.ini.XyZ789", 5, false},     // a save may be under way
      {".Brellin.ini.AbC12", 120, false},    // five characters
      {".Brellin.ini.AbC1234", 120, false},  // seven
      {".Brellin.ini.AbC_23", 120, false},   // not a letter or digit
      {".Brellin.ini.AbC 23", 120, false},  {".brellin.ini.AbC123", 120, false},  // another file's
      {".Other.ini.AbC123", 120, false},    {"Brellin.ini.AbC123", 120, false},   // no leading dot
      {".Brellin.iniAAbC123", 120, false},
  };
  for (const auto& c : cases) Age(dir.write(c.name, "partial"), c.age);
  ASSERT_TRUE(QDir(dir.path()).mkdir(".Brellin.ini.Dir123"));
  Age(dir.file(".Brellin.ini.Dir123"), 120);
  ASSERT_TRUE(QFile::link(path, dir.file(".Brellin.ini.Lnk123")));
  Age(dir.file(".Brellin.ini.Lnk123"), 120);
  Age(path, 120);

  EXPECT_EQ(RemoveStaleTemporaryFiles(path), 2);
  QStringList expected{"Brellin.ini", ".Brellin.ini.Dir123", ".Brellin.ini.Lnk123"};
  for (const auto& c : cases)
    if (!c.removed) expected << c.name;
  expected.sort();
  EXPECT_EQ(Entries(dir.path()), expected);
  EXPECT_EQ(RemoveStaleTemporaryFiles(path), 0);
}

TEST(StaleTemporaryFiles, AgeLimitAndLinkedFiles) {
  testing::TempDir dir;
  ASSERT_TRUE(QDir(dir.path()).mkdir("real"));
  const QString real = dir.write("real/Brellin.ini", "x");
  const QString link = dir.file("Brellin.ini");
  ASSERT_TRUE(QFile::link(real, link));
  // A save through the link writes its temporary file beside the real file.
  Age(dir.write("real/.Brellin.ini.AbC123", "partial"), 30);
  Age(dir.write(".Brellin.ini.AbC123", "not ours"), 3600);

  EXPECT_EQ(RemoveStaleTemporaryFiles(link), 0) << "30 s is younger than the default minute";
  EXPECT_EQ(RemoveStaleTemporaryFiles(link, 10s), 1);
  EXPECT_EQ(Entries(dir.file("real")), QStringList{"Brellin.ini"});
  EXPECT_EQ(Entries(dir.path()), (QStringList{".Brellin.ini.AbC123", "Brellin.ini", "real"}));
  EXPECT_EQ(RemoveStaleTemporaryFiles(dir.file("missing/none.ini")), 0);
  EXPECT_EQ(RemoveStaleTemporaryFiles(QString()), 0);
}

// A process killed in the middle of saving leaves the old or the new file, never a mix.
TEST(AtomicSave, KilledWriterNeverLeavesATruncatedFile) {
  testing::TempDir dir;
  const QString path = dir.file("Brellin.ini");
  TPageSet a, b;
  a.Initialize();
  b.Initialize();
  for (auto& c : b) c.caption = QStringLiteral("a much longer caption that changes the file size");
  SettingsTextFile fa, fb;
  WriteSliderSettings(fa, a, "A");
  WriteSliderSettings(fb, b, "B");
  const QByteArray bytes_a = fa.ToBytes(), bytes_b = fb.ToBytes();
  ASSERT_TRUE(WriteFileAtomically(path, bytes_a));

  for (int round = 0; round < 8; ++round) {
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      for (unsigned i = 0;; ++i) WriteFileAtomically(path, i % 2 ? bytes_b : bytes_a);
    }
    usleep(static_cast<useconds_t>(15000 + round * 4100));  // land at varied points
    ASSERT_EQ(kill(child, SIGKILL), 0);
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);

    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray now = f.readAll();
    EXPECT_TRUE(now == bytes_a || now == bytes_b) << "round " << round << ": " << now.size();
    SettingsTextFile parsed(path);
    ASSERT_TRUE(parsed.Load().ok);
    TPageSet defs;
    QString dump;
    EXPECT_TRUE(ReadSliderSettings(parsed, defs, dump).ok);
    EXPECT_TRUE(defs == a || defs == b);
  }
  // Whatever the kills left beside the file is cleaned up once old enough.
  for (const QString& name : Entries(dir.path())) Age(dir.file(name), 120);
  RemoveStaleTemporaryFiles(path);
  EXPECT_EQ(Entries(dir.path()), QStringList{"Brellin.ini"});
}

}  // namespace
}  // namespace quorvane
