// The main window's menus and tool bands, built from the command layout, and the access to
// their actions.
#include "surface/ui/main_window.h"

#include <QAction>
#include <QActionGroup>
#include <QMenu>
#include <QMenuBar>
#include <QToolBar>
#include <QToolButton>

#include "surface/ui/icons.h"

namespace quorvane {

QList<QAction*> MainWindow::Actions(Command command) const {
  QList<QAction*> out;
  for (QAction* a : {MenuAction(command), ButtonAction(command)}) {
    if (a) out << a;
  }
  return out;
}

QAction* MainWindow::MenuAction(Command command) const {
  return menu_actions_.at(static_cast<std::size_t>(command));
}

QAction* MainWindow::ButtonAction(Command command) const {
  return button_actions_.at(static_cast<std::size_t>(command));
}

void MainWindow::Bind(Command command, const std::function<void()>& fn) {
  for (QAction* a : Actions(command)) {
    a->setEnabled(true);
    connect(a, &QAction::triggered, this, fn);
  }
}

void MainWindow::Bind(Command command, const std::function<void(bool checked)>& fn) {
  for (QAction* a : Actions(command)) {
    a->setEnabled(true);
    connect(a, &QAction::triggered, this, fn);
  }
}

void MainWindow::SetChecked(Command command, bool checked) {
  for (QAction* a : Actions(command)) a->setChecked(checked);
}

QMenu* MainWindow::Menu(const QString& name) const {
  return menus_.value(name, nullptr);
}

QToolBar* MainWindow::Band(const QString& title) const {
  return bands_.value(title, nullptr);
}

QToolButton* MainWindow::ToolButton(const QString& name) const {
  return findChild<QToolButton*>(name);
}

void MainWindow::BuildMenus() {
  for (const MenuLayout& ml : MenuBarLayout()) {
    const QString name = QString::fromLatin1(ml.name);
    QMenu* menu = menuBar()->addMenu(QString::fromLatin1(ml.caption));
    menu->setObjectName(name);
    menu->menuAction()->setObjectName(name);
    menu->menuAction()->setStatusTip(QString::fromLatin1(ml.hint));
    menus_.insert(name, menu);
    QActionGroup* radio = nullptr;
    for (const LayoutEntry& entry : ml.entries) {
      if (!entry) {
        menu->addSeparator();
        radio = nullptr;
        continue;
      }
      const CommandLook& look = LookOf(*entry);
      const MenuItemLook& it = look.item;
      Q_ASSERT(it.name);
      QAction* a = menu->addAction(QString::fromLatin1(it.caption));
      a->setObjectName(QString::fromLatin1(it.name));
      if (*it.shortcut) a->setShortcut(QKeySequence(QString::fromLatin1(it.shortcut)));
      a->setStatusTip(QString::fromLatin1(it.hint));
      a->setCheckable(it.kind != ActionKind::kPlain);
      if (it.kind == ActionKind::kRadio) {
        if (!radio) radio = new QActionGroup(menu);
        radio->addAction(a);
      } else {
        radio = nullptr;
      }
      a->setEnabled(look.enabled);
      menu_actions_.at(static_cast<std::size_t>(*entry)) = a;
    }
  }
}

void MainWindow::BuildBands() {
  for (const BandLayout& bl : ToolBandLayout()) {
    const QString title = QString::fromLatin1(bl.title);
    if (bl.starts_row) addToolBarBreak();
    QToolBar* band = addToolBar(title);
    band->setObjectName(QString::fromLatin1(bl.name));
    band->setIconSize(QSize(16, 16));
    bands_.insert(title, band);
    QActionGroup* radio = nullptr;
    for (const LayoutEntry& entry : bl.entries) {
      if (!entry) {
        band->addSeparator();
        radio = nullptr;
        continue;
      }
      const CommandLook& look = LookOf(*entry);
      const ButtonLook& it = look.button;
      Q_ASSERT(it.name);
      const QString name = QString::fromLatin1(it.name);
      const QString hint = QString::fromLatin1(it.hint);
      QAction* a = band->addAction(ToolIcon(name, band->palette()), hint);
      a->setObjectName(name);
      a->setToolTip(hint);
      a->setStatusTip(hint);
      a->setCheckable(it.kind != ActionKind::kPlain);
      if (it.kind == ActionKind::kRadio) {
        if (!radio) {
          radio = new QActionGroup(band);
          a->setChecked(true);  // the first of a group starts down
        }
        radio->addAction(a);
      } else {
        radio = nullptr;
      }
      a->setEnabled(look.enabled);
      QWidget* button = band->widgetForAction(a);
      button->setObjectName(name);
      for (int p = 1; p <= kPageCount; ++p) {
        if (*entry != PageCommand(p)) continue;
        // Hovering a dragged definition here switches the page.
        button->setAcceptDrops(true);
        button->installEventFilter(this);
        page_buttons_.insert(button, p);
      }
      button_actions_.at(static_cast<std::size_t>(*entry)) = a;
    }
  }
}

}  // namespace quorvane
