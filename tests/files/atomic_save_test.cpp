#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <QFile>

#include "files/app_settings.h"
#include "files/slider_settings_file.h"
#include "support/temp_dir.h"

namespace quorvane {
namespace {

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
}

}  // namespace
}  // namespace quorvane
