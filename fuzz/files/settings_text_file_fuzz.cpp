// Any bytes must load without a crash, save back unchanged, and keep written keys readable.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "files/settings_text_file.h"
#include "files/slider_settings_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace quorvane;
  const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
  SettingsTextFile file;
  file.LoadFromBytes(bytes);
  if (file.ToBytes() != bytes) std::abort();  // untouched lines keep every byte

  TPageSet defs;
  QString dump;
  (void)ReadSliderSettings(file, defs, dump);
  (void)file.ReadInteger(QStringLiteral("Window Settings"), QStringLiteral("X"), 100);

  // Rewrite the file as the exit write does and read it back.
  WriteSliderSettings(file, defs, dump);
  file.WriteString(QStringLiteral("Fuzz"), QStringLiteral("Key"), QStringLiteral("value"));
  SettingsTextFile again;
  again.LoadFromBytes(file.ToBytes());
  if (again.ReadString(QStringLiteral("fuzz"), QStringLiteral("KEY"), {}) !=
      QStringLiteral("value"))
    std::abort();
  TPageSet back;
  QString back_dump;
  if (!ReadSliderSettings(again, back, back_dump).ok) std::abort();
  return 0;
}
