#pragma once

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>

// Checks of how windows look and answer the keyboard; each names what is wrong.
namespace quorvane::testing {

// Fields no Alt letter reaches, letters given twice, lists that look the same disabled, do not
// tell their whole entry on hover or drop down more rows than their limit, and labels cut or
// run into by their neighbours.
inline QStringList LookFaults(QWidget& root) {
  QStringList faults;
  QHash<QString, QString> letters;
  QSet<const QWidget*> reached;
  const auto note = [&](const QString& text, const QWidget* field, const QString& who) {
    const QString key = QKeySequence::mnemonic(text).toString();
    if (key.isEmpty()) return;
    if (letters.contains(key)) faults << who + " repeats " + letters.value(key);
    letters.insert(key, who);
    reached.insert(field);
  };
  for (QAbstractButton* b : root.findChildren<QAbstractButton*>())
    note(b->text(), b, b->objectName());
  for (QLabel* label : root.findChildren<QLabel*>()) {
    if (label->buddy()) note(label->text(), label->buddy(), label->objectName());
    const QRect at = label->geometry();
    if (label->text().isEmpty() || label->wordWrap() || !label->isVisibleTo(&root)) continue;
    if (at.width() < label->sizeHint().width() || !label->parentWidget()->rect().contains(at))
      faults << label->objectName() + " is cut";
    for (QWidget* w : label->parentWidget()->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
      if (w != label && w->metaObject() != &QFrame::staticMetaObject && w->isVisibleTo(&root) &&
          w->geometry().intersects(at))
        faults << label->objectName() + " meets " + w->objectName();
    }
  }
  const bool dialog = root.inherits("QDialog");
  for (QWidget* w : root.findChildren<QWidget*>()) {
    auto* list = qobject_cast<QComboBox*>(w);
    const bool text = list || qobject_cast<QLineEdit*>(w);
    if (dialog && (text || qobject_cast<QAbstractButton*>(w)) && !reached.contains(w))
      faults << w->objectName() + " has no Alt letter";
    if (!text) continue;
    const QImage on = w->grab().toImage();
    w->setEnabled(false);
    if (w->grab().toImage() == on) faults << w->objectName() + " looks the same disabled";
    w->setEnabled(true);
    if (!list) continue;
    if (list->toolTip() != list->currentText()) faults << list->objectName() + " hides its entry";
    if (list->count() <= list->maxVisibleItems()) continue;
    list->showPopup();
    const int rows = list->view()->viewport()->height() / list->view()->sizeHintForRow(0);
    list->hidePopup();
    if (rows > list->maxVisibleItems()) faults << list->objectName() + " drops down too far";
  }
  return faults;
}

}  // namespace quorvane::testing
