#pragma once

#include <QColor>
#include <cstdint>

namespace quorvane {

// Model colours are 0x00BBGGRR, red in the low byte.
inline QColor ToQColor(std::uint32_t c) {
  return QColor(static_cast<int>(c & 0xFF), static_cast<int>((c >> 8) & 0xFF),
                static_cast<int>((c >> 16) & 0xFF));
}

}  // namespace quorvane
