#include "files/regular_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <QFile>
#include <QFileInfo>
#include <chrono>
#include <functional>
#include <future>

#include "fake_file_interaction.h"
#include "files/settings_text_file.h"
#include "files/slider_file_commands.h"
#include "support/temp_dir.h"

namespace quorvane {
namespace {

using testing::TempDir;

// Special files in a scratch folder: a FIFO, a device node like /dev/null (a private one, so a
// save that wrongly replaced it harms nothing) and links to both.
struct SpecialFiles {
  explicit SpecialFiles(const TempDir& dir)
      : fifo(dir.file("pipe")),
        device(dir.file("null")),
        fifo_link(dir.file("to-pipe")),
        device_link(dir.file("to-null")) {
    EXPECT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    if (::mknod(QFile::encodeName(device).constData(), S_IFCHR | 0666, makedev(1, 3)) != 0)
      device = QStringLiteral("/dev/null");  // not root: the real one cannot be replaced
    EXPECT_TRUE(QFile::link(fifo, fifo_link));
    EXPECT_TRUE(QFile::link(device, device_link));
  }
  // Runs what would block on the FIFO; if it does, lets it go on by opening the FIFO's other
  // end, and fails.
  template <typename F>
  auto WithoutBlocking(F what, const QString& path) const {
    auto running = std::async(std::launch::async, what);
    if (running.wait_for(std::chrono::seconds(3)) != std::future_status::ready) {
      ADD_FAILURE() << "blocked on " << path.toStdString();
      const int w = ::open(QFile::encodeName(fifo).constData(), O_WRONLY | O_NONBLOCK);
      if (w >= 0) ::close(w);
    }
    return running.get();
  }
  bool Untouched() const {
    return QFileInfo::exists(fifo) && !QFileInfo(fifo).isFile() && QFileInfo::exists(device) &&
           !QFileInfo(device).isFile() && QFileInfo(device_link).isSymLink();
  }
  QString fifo, device, fifo_link, device_link;
};

// The patch file's reader once opened a FIFO blocking, freezing the program.
TEST(RegularFileRead, EveryReaderRefusesWhatIsNotARegularFileWithoutBlocking) {
  TempDir dir;
  const SpecialFiles special(dir);
  const QString huge = dir.file("huge.pch");
  QFile big(huge);
  ASSERT_TRUE(big.open(QIODevice::WriteOnly) && big.resize(kMaxPatchFileSize + 1));  // sparse
  big.close();
  // Each reader gives the message the user sees.
  const auto settings = [](const QString& path) { return SettingsTextFile(path).Load().message; };
  const auto patch = [](const QString& path) -> QString {
    TPageSet defs;
    QString dump;
    testing::FakeFileInteraction ui;
    SliderFileCommands commands(defs, dump, ui);
    ui.patch_choices = {path};
    if (commands.FilterUsingPatchFile() || ui.warnings.empty()) return {};
    return ui.warnings.front();
  };
  const struct {
    std::function<QString(const QString&)> read;
    QString path, message;
  } cases[] = {
      {settings, special.fifo, special.fifo + " is not a regular file"},
      {settings, special.fifo_link, special.fifo_link + " is not a regular file"},
      {settings, special.device_link, special.device_link + " is not a regular file"},
      {patch, special.fifo, "Could not open file."},
      {patch, special.device_link, "Could not open file."},
      {patch, huge, "Could not open file."},
  };
  for (const auto& c : cases)
    EXPECT_EQ(special.WithoutBlocking([&c] { return c.read(c.path); }, c.path), c.message);
}

// A save once renamed its file over a FIFO or, through a link, over a device node.
TEST(SaveTarget, FifoOrDeviceIsNeverReplaced) {
  TempDir dir;
  const SpecialFiles special(dir);
  for (const QString& path : {special.fifo, special.fifo_link, special.device_link}) {
    EXPECT_EQ(SaveFile(path, "x", {}, "failed").message, path + " is not a regular file");
    EXPECT_EQ(SettingsTextFile(path).Save().message, path + " is not a regular file");
    EXPECT_FALSE(WriteFileAtomically(path, "x")) << path.toStdString();
    EXPECT_TRUE(special.Untouched()) << path.toStdString();
  }
}

}  // namespace
}  // namespace quorvane
