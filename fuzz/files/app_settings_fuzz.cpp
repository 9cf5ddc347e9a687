// The application settings file from any bytes: reading never fails hard, the file written
// reads again to the same values, and writing those gives the same bytes again. The round trip
// runs in memory: LoadAppSettings and SaveAppSettings add only the disk to these two calls.
#include <QByteArray>
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

struct Read {
  AppSettings settings;
  TPageSet defs;
  QString dump;
};

Read ReadAll(const SettingsTextFile& file) {
  Read r;
  r.defs.Initialize();
  r.settings = ReadAppSettings(file, QSize(1920, 1080), r.defs, r.dump);
  return r;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // Every line is parsed alike: longer inputs only slow the search down.
  if (size > kMaxFuzzInput) return 0;
  SettingsTextFile file;
  file.LoadFromBytes(QByteArray(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size)));
  const Read first = ReadAll(file);
  WriteAppSettings(file, first.settings, first.defs, first.dump);
  const QByteArray saved = file.ToBytes();

  SettingsTextFile again;
  again.LoadFromBytes(saved);
  // The encoding is guessed from the bytes: a Windows-1252 file whose only non-UTF-8 bytes were
  // rewritten reads back as UTF-8, and its texts cannot be compared.
  if (again.encoding() != file.encoding()) return 0;
  const Read back = ReadAll(again);
  if (!(back.settings == first.settings)) Fail("settings changed after a save");
  if (!(back.defs == first.defs)) Fail("definitions changed after a save");
  if (back.dump != first.dump) Fail("dump request string changed after a save");
  WriteAppSettings(again, back.settings, back.defs, back.dump);
  if (again.ToBytes() != saved) Fail("second save gave other bytes");
  return 0;
}
