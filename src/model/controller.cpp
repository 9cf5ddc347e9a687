#include "model/controller.h"

#include <algorithm>
#include <cmath>

namespace quorvane {

Tcontroller Tcontroller::Initial(int n) {
  Tcontroller c;
  c.ctrl = static_cast<std::uint8_t>(n);
  c.value = 127;
  c.upper_range = 64;
  c.lower_range = 64;
  c.channel = 0;
  c.caption = QStringLiteral("Slider %1").arg(n);
  c.color = kDefaultColor;
  c.selected = false;
  c.enabled = true;
  c.button_ctrl = static_cast<std::uint8_t>(n);
  c.button_channel = 0;
  c.button_value = 127;
  c.use_slider = true;
  return c;
}

TPageSet::TPageSet() = default;

void TPageSet::Initialize() {
  for (int i = 0; i < kDefinitionCount; ++i)
    defs_[static_cast<std::size_t>(i)] = Tcontroller::Initial(i + 1);
}

int RoundHalfEven(double x) {
  const double f = std::floor(x);
  const double diff = x - f;
  double r = f;
  if (diff > 0.5) {
    r = f + 1.0;
  } else if (diff == 0.5) {
    r = std::fmod(f, 2.0) == 0.0 ? f : f + 1.0;
  }
  return static_cast<int>(r);
}

std::uint8_t ClampMidi(int v) {
  return static_cast<std::uint8_t>(std::clamp(v, 0, 127));
}

RangeMarker RangeMarkerFor(int upper_range, int lower_range) {
  return {127 - std::max(upper_range, lower_range), 127 - std::min(upper_range, lower_range)};
}

std::uint8_t ScaleDriveValue(const Tcontroller& c, int v) {
  if (!HasRange(c)) return ClampMidi(v);
  const double span = static_cast<double>(c.upper_range) - c.lower_range;
  return ClampMidi(c.lower_range + RoundHalfEven(v / 127.0 * span));
}

std::uint8_t MorphValue(const Tcontroller& c, int m) {
  const double span = static_cast<double>(c.lower_range) - c.upper_range;
  return ClampMidi(c.upper_range + RoundHalfEven((127 - m) / 127.0 * span));
}

bool ButtonShownDownForValue(const Tcontroller& c, int slider_value) {
  return c.use_slider ? slider_value >= 64 : c.button_value == 127;
}

bool ButtonShownDown(const Tcontroller& c) {
  return ButtonShownDownForValue(c, c.value);
}

std::uint32_t CaptionTextColor(std::uint32_t background) {
  const std::uint32_t r = background & 0xFF, g = (background >> 8) & 0xFF,
                      b = (background >> 16) & 0xFF;
  return (r >= 128 || g >= 128 || b >= 128) ? kBlack : kWhite;
}

}  // namespace quorvane
