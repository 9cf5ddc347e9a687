#include "web/qr_code.h"

#include <qrencode.h>

#include <memory>

namespace quorvane {

QrCode QrCodeOf(const QString& text) {
  const QByteArray utf8 = text.toUtf8();
  const std::unique_ptr<QRcode, void (*)(QRcode*)> code(
      QRcode_encodeString8bit(utf8.constData(), 0, QR_ECLEVEL_M), &QRcode_free);
  if (!code || code->width <= 0) return {};
  QrCode out;
  out.size = code->width;
  const auto modules = static_cast<std::size_t>(out.size) * static_cast<std::size_t>(out.size);
  out.dark.resize(modules);
  // libqrencode: bit 0 of each byte is the module's colour, 1 dark.
  for (std::size_t i = 0; i < modules; ++i) out.dark[i] = (code->data[i] & 1u) != 0;
  return out;
}

}  // namespace quorvane
