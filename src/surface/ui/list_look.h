#pragma once

#include <QComboBox>

class QPaintEvent;
class QWidget;

namespace quorvane {

// Lists, text fields and readouts drawn white on black while usable. Only the active and
// inactive colours are set: a disabled one keeps the desktop's disabled colours, so it looks
// disabled.
void PaintWhiteOnBlack(QWidget* w);

// A drop-down list painted white on black. Its popup holds at most `rows` rows (styles that
// drop lists down as menus would make it as high as the screen); closed, it ends an entry too
// long for it with an ellipsis, and its tool tip tells the whole entry.
class DropDownList : public QComboBox {
 public:
  DropDownList(int rows, QWidget* parent);

 protected:
  void paintEvent(QPaintEvent* event) override;
};

}  // namespace quorvane
