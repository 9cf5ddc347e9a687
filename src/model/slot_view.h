#pragma once

#include <QString>
#include <cstdint>

#include "model/controller.h"

namespace quorvane {

// What one slot column shows; the window draws exactly this.
struct SlotView {
  int position = 0;  // track bar position, 0 = top
  RangeMarker marker{64, 64};
  QString value_text;
  std::uint32_t value_text_color = kWhite;
  QString caption;
  std::uint32_t caption_background = kDefaultColor;
  std::uint32_t caption_text_color = kBlack;
  bool enabled = true;  // track bar and toggle button
  bool button_down = false;
  QString number_text;
  QString hint;
  bool selected_look = false;
  int strip_value = -1;  // the compact strip shows it instead of the caption; -1 for none

  bool operator==(const SlotView&) const = default;
};

inline constexpr std::uint32_t kDisabledText = 0xC0C0C0;
inline constexpr std::uint32_t kDisabledCaption = 0x808080;

}  // namespace quorvane
