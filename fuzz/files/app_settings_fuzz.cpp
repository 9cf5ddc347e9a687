// The application keys of the settings file from any bytes: reading never fails hard, the file
// written reads again to the same values, and writing those gives the same bytes again. The
// definitions and the dump request string, the other half of the file, have their own round
// trip target; here it is checked that writing the application keys leaves that half as it
// was, and that ReadAppSettings joins the two halves. The round trip runs in memory:
// LoadAppSettings and SaveAppSettings add only the disk to these calls.
#include <QByteArray>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "files/app_settings.h"
#include "files/dump_request.h"
#include "files/settings_text_file.h"
#include "files/slider_settings_file.h"
#include "fuzz_input.h"

namespace {

using namespace quorvane;

const QSize kScreen(1920, 1080);

[[noreturn]] void Fail(const char* what) {
  std::fprintf(stderr, "app settings round trip: %s\n", what);
  std::abort();
}

// What the definitions' half shares with the application keys: the "MIDI Settings" section.
struct OtherHalf {
  bool valid = false;
  QString dump;
  bool operator==(const OtherHalf&) const = default;
};

OtherHalf ReadOtherHalf(const SettingsTextFile& file) {
  return {HasValidFileType(file),
          file.ReadString(kMidiSettingsSection, QStringLiteral("Dump Request String"), {},
                          kMaxDumpRequestTextLength)};
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // Every line is parsed alike: longer inputs only slow the search down.
  if (size > kMaxFuzzInput) return 0;
  SettingsTextFile file;
  file.LoadFromBytes(QByteArray(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size)));
  const AppSettings first = ReadAppKeys(file, kScreen);
  const OtherHalf other = ReadOtherHalf(file);
  WriteAppKeys(file, first);
  if (!(ReadOtherHalf(file) == other)) Fail("application keys changed the definitions' half");
  const QByteArray saved = file.ToBytes();

  SettingsTextFile again;
  again.LoadFromBytes(saved);
  // The encoding is guessed from the bytes: a Windows-1252 file whose only non-UTF-8 bytes were
  // rewritten reads back as UTF-8, and its texts cannot be compared.
  if (again.encoding() != file.encoding()) return 0;
  const AppSettings back = ReadAppKeys(again, kScreen);
  if (!(back == first)) Fail("settings changed after a save");

  // Without a valid "File Type" the definitions' half reads nothing and the whole read is
  // cheap: the application keys come through it unchanged, beside fresh definitions.
  if (!other.valid) {
    TPageSet defs;  // blank: the read must initialise them
    QString dump = QStringLiteral("stale");
    if (!(ReadAppSettings(again, kScreen, defs, dump) == back)) Fail("whole read differs");
    TPageSet fresh;
    fresh.Initialize();
    if (!(defs == fresh) || !dump.isEmpty()) Fail("refused definitions not made fresh");
  }
  WriteAppKeys(again, back);
  if (again.ToBytes() != saved) Fail("second save gave other bytes");
  return 0;
}
