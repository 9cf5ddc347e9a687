#pragma once

#include <QString>
#include <vector>

namespace quorvane {

// A QR code's modules, row by row; empty when the text does not fit one.
struct QrCode {
  int size = 0;            // modules per side
  std::vector<bool> dark;  // size * size

  bool Dark(int x, int y) const {
    return dark.at(static_cast<std::size_t>(y) * static_cast<std::size_t>(size) +
                   static_cast<std::size_t>(x));
  }
};

// The text as a QR code of medium error correction, the smallest version that holds it.
QrCode QrCodeOf(const QString& text);

}  // namespace quorvane
