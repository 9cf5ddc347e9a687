#pragma once

#include <QRect>

namespace quorvane {

// Where the compact strip goes: its bottom edge level with the main window's, the same left
// edge and width. A strip that would stand partly off `screen` is moved fully onto it.
QRect CompactStripGeometry(const QRect& main_window, int strip_height, const QRect& screen);

}  // namespace quorvane
