// Any bytes must load without a crash and save back unchanged; values read from them, written
// back under their keys and under new ones, read back as they were. A few keys per input keep
// each run short: the round-trip targets cover all 120 definitions.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "files/dump_request.h"
#include "files/settings_text_file.h"
#include "files/slider_settings_file.h"
#include "fuzz_input.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // Every line is parsed alike: longer inputs only slow the search down.
  if (size > kMaxFuzzInput) return 0;
  using namespace quorvane;
  const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
  SettingsTextFile file;
  file.LoadFromBytes(bytes);
  if (file.ToBytes() != bytes) std::abort();  // untouched lines keep every byte

  const QString sliders = QStringLiteral("Slider Settings");
  const QString caption = file.ReadString(sliders, QStringLiteral("s1_caption"), {});
  const QString dump = file.ReadString(kMidiSettingsSection, QStringLiteral("Dump Request String"),
                                       {}, kMaxDumpRequestTextLength);
  const std::int32_t x =
      file.ReadInteger(QStringLiteral("Window Settings"), QStringLiteral("X"), 7);
  (void)file.ReadByte(sliders, QStringLiteral("b1_value"), 0);
  (void)file.ReadBool(sliders, QStringLiteral("s1_enabled"), true);
  (void)HasValidFileType(file);

  // Rewritten in place and added anew, as the exit write does.
  file.WriteString(sliders, QStringLiteral("s1_caption"), caption);
  file.WriteString(QStringLiteral("Fuzz"), QStringLiteral("Dump"), dump);
  file.WriteInteger(QStringLiteral("Fuzz"), QStringLiteral("X"), x);
  file.WriteString(QStringLiteral("Fuzz"), QStringLiteral("Key"), QStringLiteral("value"));
  SettingsTextFile again;
  again.LoadFromBytes(file.ToBytes());
  if (again.ReadString(QStringLiteral("fuzz"), QStringLiteral("KEY"), {}) !=
          QStringLiteral("value") ||
      again.ReadInteger(QStringLiteral("fuzz"), QStringLiteral("x"), 0) != x)
    std::abort();
  // A file whose only non-UTF-8 bytes were rewritten reads back as UTF-8: texts cannot compare.
  if (again.encoding() != file.encoding()) return 0;
  if (again.ReadString(sliders, QStringLiteral("s1_caption"), {}) != caption) std::abort();
  if (again.ReadString(QStringLiteral("Fuzz"), QStringLiteral("Dump"), {},
                       kMaxDumpRequestTextLength) != dump)
    std::abort();
  return 0;
}
