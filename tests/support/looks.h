#pragma once

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QFont>
#include <QFrame>
#include <QHash>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QSet>
#include <QStringList>
#include <QStyle>
#include <QStyleOptionComboBox>

// Checks of how windows look and answer the keyboard; each returns what is wrong, by name.
namespace quorvane::testing {

// The application font at another size while it lives; windows built meanwhile use it.
class ScopedAppFont {
 public:
  explicit ScopedAppFont(double point_size) : saved_(QApplication::font()) {
    QFont font = saved_;
    font.setPointSizeF(point_size);
    QApplication::setFont(font);
  }
  ~ScopedAppFont() { QApplication::setFont(saved_); }
  ScopedAppFont(const ScopedAppFont&) = delete;
  ScopedAppFont& operator=(const ScopedAppFont&) = delete;

 private:
  QFont saved_;
};

// Lists, text fields and buttons no Alt mnemonic reaches, mnemonic letters given twice, and
// labels whose mnemonic leads nowhere.
inline QStringList MnemonicFaults(const QWidget& dialog) {
  QStringList faults;
  QHash<QString, QString> owners;  // Alt+letter -> who has it
  QSet<const QWidget*> reached;
  const auto note = [&](const QString& text, const QWidget* field, const QString& who) {
    const QString key = QKeySequence::mnemonic(text).toString();
    if (key.isEmpty()) return;
    if (owners.contains(key)) faults << who + " repeats " + key + " of " + owners.value(key);
    owners.insert(key, who);
    reached.insert(field);
  };
  for (const QLabel* label : dialog.findChildren<QLabel*>()) {
    if (QKeySequence::mnemonic(label->text()).isEmpty()) continue;
    if (!label->buddy()) faults << label->objectName() + " has no buddy";
    note(label->text(), label->buddy(), label->objectName());
  }
  for (const QAbstractButton* b : dialog.findChildren<QAbstractButton*>())
    note(b->text(), b, b->objectName());
  for (const QWidget* w : dialog.findChildren<QWidget*>()) {
    const bool field = qobject_cast<const QComboBox*>(w) || qobject_cast<const QLineEdit*>(w) ||
                       qobject_cast<const QAbstractButton*>(w);
    if (field && w->focusPolicy() != Qt::NoFocus && !reached.contains(w) &&
        !qobject_cast<const QComboBox*>(w->parentWidget()))
      faults << w->objectName() + " has no mnemonic";
  }
  return faults;
}

// Lists and text fields that draw the same whether enabled or not.
inline QStringList SameWhenDisabled(const QWidget& root) {
  QStringList faults;
  QList<QWidget*> fields;
  for (QComboBox* w : root.findChildren<QComboBox*>()) fields << w;
  for (QLineEdit* w : root.findChildren<QLineEdit*>()) fields << w;
  for (QWidget* w : fields) {
    const bool was = w->isEnabled();
    w->setEnabled(true);
    const QImage on = w->grab().toImage();
    w->setEnabled(false);
    const QImage off = w->grab().toImage();
    w->setEnabled(was);
    if (on == off) faults << w->objectName();
  }
  return faults;
}

// Drop-down lists whose open popup shows more rows than their limit.
inline QStringList TallPopups(const QWidget& root) {
  QStringList faults;
  for (QComboBox* list : root.findChildren<QComboBox*>()) {
    if (list->count() <= list->maxVisibleItems()) continue;
    list->showPopup();
    const QAbstractItemView* view = list->view();
    const int rows = view->viewport()->height() / view->sizeHintForRow(0);
    list->hidePopup();
    if (rows > list->maxVisibleItems()) faults << list->objectName() + QString(" %1").arg(rows);
  }
  return faults;
}

// Closed drop-down lists too narrow for their longest entry.
inline QStringList CutEntries(const QWidget& root) {
  QStringList faults;
  for (QComboBox* list : root.findChildren<QComboBox*>()) {
    QStyleOptionComboBox option;
    option.initFrom(list);
    option.editable = list->isEditable();
    const int room =
        list->style()
            ->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField, list)
            .width();
    for (int i = 0; i < list->count(); ++i) {
      if (list->fontMetrics().horizontalAdvance(list->itemText(i)) > room) {
        faults << list->objectName() + ": " + list->itemText(i);
        break;
      }
    }
  }
  return faults;
}

// Labels narrower than their text, outside their parent or under a widget beside them.
inline QStringList CutTexts(const QWidget& window) {
  QStringList faults;
  for (const QLabel* label : window.findChildren<QLabel*>()) {
    if (label->text().isEmpty() || label->wordWrap() || !label->isVisibleTo(&window)) continue;
    const QString name = label->objectName();
    const QRect at = label->geometry();
    if (at.width() < label->sizeHint().width()) faults << name + " is cut";
    if (!label->parentWidget()->rect().contains(at)) faults << name + " leaves its window";
    for (const QWidget* other :
         label->parentWidget()->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
      const bool plain_frame = other->metaObject() == &QFrame::staticMetaObject;
      if (other != label && !plain_frame && other->isVisibleTo(&window) &&
          other->geometry().intersects(at))
        faults << name + " meets " + other->objectName();
    }
  }
  return faults;
}

}  // namespace quorvane::testing
