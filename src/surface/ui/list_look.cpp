#include "surface/ui/list_look.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QPalette>
#include <QWidget>

namespace quorvane {

void PaintWhiteOnBlack(QWidget* w) {
  QPalette p = w->palette();
  for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive}) {
    for (QPalette::ColorRole role : {QPalette::Base, QPalette::Window, QPalette::Button})
      p.setColor(group, role, Qt::black);
    for (QPalette::ColorRole role : {QPalette::Text, QPalette::WindowText, QPalette::ButtonText})
      p.setColor(group, role, Qt::white);
  }
  w->setPalette(p);
  w->setAutoFillBackground(true);
}

void ShapeDropDown(QComboBox* list, int rows) {
  list->setMaxVisibleItems(rows);
  // Keeps the scrolling list popup in styles that would drop the entries down as a menu.
  list->setStyleSheet(QStringLiteral("QComboBox { combobox-popup: 0; }"));
  PaintWhiteOnBlack(list);
  PaintWhiteOnBlack(list->view());
  const auto tell_whole_entry = [list] { list->setToolTip(list->currentText()); };
  QObject::connect(list, &QComboBox::currentTextChanged, list, tell_whole_entry);
  tell_whole_entry();
}

}  // namespace quorvane
