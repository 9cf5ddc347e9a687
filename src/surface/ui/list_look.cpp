#include "surface/ui/list_look.h"

#include <QAbstractItemView>
#include <QPalette>
#include <QStyleOptionComboBox>
#include <QStylePainter>
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

DropDownList::DropDownList(int rows, QWidget* parent) : QComboBox(parent) {
  setMaxVisibleItems(rows);
  // Keeps the scrolling list popup in styles that would drop the entries down as a menu.
  setStyleSheet(QStringLiteral("QComboBox { combobox-popup: 0; }"));
  PaintWhiteOnBlack(this);
  PaintWhiteOnBlack(view());
}

void DropDownList::paintEvent(QPaintEvent*) {
  QStylePainter painter(this);
  QStyleOptionComboBox option;
  initStyleOption(&option);
  painter.drawComplexControl(QStyle::CC_ComboBox, option);
  // Kept with what is drawn: entries also change under signal blockers.
  if (toolTip() != option.currentText) setToolTip(option.currentText);
  const QRect field =
      style()->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField, this);
  const int icon = option.currentIcon.isNull() ? 0 : option.iconSize.width() + 4;
  option.currentText =
      fontMetrics().elidedText(option.currentText, Qt::ElideRight, field.width() - icon);
  painter.drawControl(QStyle::CE_ComboBoxLabel, option);
}

}  // namespace quorvane
