#pragma once

class QComboBox;
class QWidget;

namespace quorvane {

// Lists, text fields and readouts drawn white on black while usable. Only the active and
// inactive colours are set: a disabled one keeps the desktop's disabled colours, so it looks
// disabled.
void PaintWhiteOnBlack(QWidget* w);

// A drop-down list painted white on black whose popup holds at most `rows` rows (styles that
// drop lists down as menus would make it as high as the screen) and whose tool tip tells the
// whole current entry when the closed list cuts it.
void ShapeDropDown(QComboBox* list, int rows);

}  // namespace quorvane
