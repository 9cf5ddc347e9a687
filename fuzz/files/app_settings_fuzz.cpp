// The application settings file from any bytes: loading never fails hard, the file it saves
// loads again to the same values, and saving those gives the same bytes again.
#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "files/app_settings.h"
#include "files/settings_text_file.h"
#include "fuzz_input.h"

namespace {

using namespace quorvane;

[[noreturn]] void Fail(const char* what) {
  std::fprintf(stderr, "app settings round trip: %s\n", what);
  std::abort();
}

// One scratch folder per fuzzing process, removed when it ends.
const QString& SettingsPath() {
  static QTemporaryDir dir(QDir::tempPath() + QStringLiteral("/quorvane-fuzz-XXXXXX"));
  static const QString path = dir.isValid() ? dir.filePath(kAppSettingsFileName) : QString();
  if (path.isEmpty()) Fail("no temporary folder");
  return path;
}

void Put(const QString& path, const QByteArray& bytes) {
  QFile file(path);
  if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size())
    Fail("cannot write the temporary file");
}

struct Loaded {
  AppSettings settings;
  TPageSet defs;
  QString dump;
};

Loaded Load(const QString& path) {
  Loaded l;
  l.defs.Initialize();
  l.settings = LoadAppSettings(path, QSize(1920, 1080), l.defs, l.dump).settings;
  return l;
}

QByteArray Save(const QString& path, const Loaded& l) {
  QByteArray captured;
  bool called = false;
  const FileStatus saved = SaveAppSettings(path, l.settings, l.defs, l.dump,
                                           [&](const QString&, const QByteArray& bytes) {
                                             captured = bytes;
                                             called = true;
                                             return true;
                                           });
  if (!saved.ok || !called) Fail("save failed");
  return captured;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // Every line is parsed alike: longer inputs only slow the search down.
  if (size > kMaxFuzzInput) return 0;
  const QString& path = SettingsPath();
  Put(path, QByteArray(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size)));
  const Loaded first = Load(path);
  const QByteArray saved = Save(path, first);

  // The encoding is guessed from the bytes: a Windows-1252 file whose only non-UTF-8 bytes were
  // rewritten reads back as UTF-8, and its texts cannot be compared.
  SettingsTextFile before, after;
  before.LoadFromBytes(
      QByteArray(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size)));
  after.LoadFromBytes(saved);
  if (before.encoding() != after.encoding()) return 0;

  Put(path, saved);
  const Loaded again = Load(path);
  if (!(again.settings == first.settings)) Fail("settings changed after a save");
  if (!(again.defs == first.defs)) Fail("definitions changed after a save");
  if (again.dump != first.dump) Fail("dump request string changed after a save");
  if (Save(path, again) != saved) Fail("second save gave other bytes");
  return 0;
}
