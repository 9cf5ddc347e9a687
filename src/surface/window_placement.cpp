#include "surface/window_placement.h"

#include <algorithm>

namespace quorvane {

QRect CompactStripGeometry(const QRect& main_window, int strip_height, const QRect& screen) {
  QRect strip(main_window.left(), main_window.top() + main_window.height() - strip_height,
              main_window.width(), strip_height);
  if (!screen.isValid()) return strip;
  strip.setWidth(std::min(strip.width(), screen.width()));
  strip.setHeight(std::min(strip.height(), screen.height()));
  strip.moveLeft(std::clamp(strip.left(), screen.left(), screen.right() - strip.width() + 1));
  strip.moveTop(std::clamp(strip.top(), screen.top(), screen.bottom() - strip.height() + 1));
  return strip;
}

}  // namespace quorvane
