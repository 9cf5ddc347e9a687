// Definitions and the dump request string read from any bytes survive a write and a read:
// read -> write -> read gives the same values, and writing those again gives the same bytes.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "files/settings_text_file.h"
#include "files/slider_settings_file.h"
#include "fuzz_input.h"

namespace {

[[noreturn]] void Fail(const char* what) {
  std::fprintf(stderr, "slider settings round trip: %s\n", what);
  std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // Every line is parsed alike: longer inputs only slow the search down.
  if (size > kMaxFuzzInput) return 0;
  using namespace quorvane;
  SettingsTextFile file;
  file.LoadFromBytes(QByteArray(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size)));
  // Copied from one set built once: initialising formats every caption anew.
  static const TPageSet kInitial = [] {
    TPageSet d;
    d.Initialize();
    return d;
  }();
  TPageSet defs = kInitial;
  QString dump;
  // A refused file reads nothing: writing the same defaults again would only cost time.
  if (!ReadSliderSettings(file, defs, dump).ok) return 0;

  // Into the file it came from, other lines kept, as a save does. A file that holds little
  // more than its "File Type" gets every key anew, as an empty one would.
  WriteSliderSettings(file, defs, dump);
  // A loaded file gives back its bytes unchanged (the settings text target checks it), so these
  // stand for what the copy read back would give as well.
  const QByteArray written = file.ToBytes();
  SettingsTextFile again;
  again.LoadFromBytes(written);
  TPageSet back;  // blank: every value must come from the file
  QString back_dump;
  if (!ReadSliderSettings(again, back, back_dump).ok) Fail("written file refused");
  // A Windows-1252 file whose only non-UTF-8 bytes were rewritten as numbers reads back as
  // UTF-8: the encoding is guessed from the bytes, so its captions cannot be compared.
  if (again.encoding() != file.encoding()) return 0;
  if (!(back == defs)) Fail("definitions changed");
  if (back_dump != dump) Fail("dump request string changed");

  // A second write of what was read back changes nothing.
  WriteSliderSettings(again, back, back_dump);
  if (again.ToBytes() != written) Fail("second write changed the bytes");
  return 0;
}
