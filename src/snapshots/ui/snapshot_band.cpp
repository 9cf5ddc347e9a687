#include "snapshots/ui/snapshot_band.h"

#include <QAction>
#include <QCursor>
#include <QInputDialog>
#include <QLineEdit>
#include <QMenu>
#include <QToolButton>

#include "snapshots/snapshot_store.h"
#include "surface/ui/main_window.h"

namespace quorvane {

namespace {

Command BankCommand(int bank) {
  return static_cast<Command>(static_cast<int>(Command::kBankA) + bank - 1);
}

}  // namespace

SnapshotBand::SnapshotBand(MainWindow& window, SnapshotStore& store, QObject* parent)
    : QObject(parent), window_(window), store_(store) {
  ask_name_ = [this](const QString& current) {
    bool ok = false;
    const QString text = QInputDialog::getText(&window_, QStringLiteral("Snapshot Name"),
                                               QStringLiteral("Enter a name for the snapshot."),
                                               QLineEdit::Normal, current, &ok);
    return ok ? text : current;
  };

  for (int b = 1; b <= kSnapshotBanks; ++b)
    window_.Bind(BankCommand(b), [this, b] { store_.SelectBank(b); });
  // Both take-mode widgets follow the one that was clicked.
  window_.Bind(Command::kTakeSnapshot, [this](bool on) {
    window_.SetChecked(Command::kTakeSnapshot, on);
    store_.SetTakeMode(on);
  });
  for (int s = 0; s < kSnapshotsPerBank; ++s)
    window_.Bind(SnapshotCommand(s), [this, s] { store_.SnapshotSlotAction(s); });
  window_.Bind(Command::kNewLibrary, [this] { store_.NewLibrary(); });
  window_.Bind(Command::kLoadLibrary, [this] { store_.LoadLibrary(); });
  window_.Bind(Command::kSaveLibrary, [this] { store_.SaveLibrary(); });
  window_.Bind(Command::kSaveLibraryAs, [this] { store_.SaveLibraryAs(); });

  slot_menu_ = new QMenu(&window_);
  slot_menu_->setObjectName(QStringLiteral("pmSnapTools"));
  rename_ = slot_menu_->addAction(QStringLiteral("&Rename..."));
  rename_->setObjectName(QStringLiteral("Rename1"));
  rename_->setStatusTip(QStringLiteral("Rename Snapshot"));
  connect(rename_, &QAction::triggered, this, &SnapshotBand::Rename);
  for (int s = 0; s < kSnapshotsPerBank; ++s) {
    QToolButton* button = window_.ToolButton(QStringLiteral("btnSnp%1").arg(s));
    if (!button) continue;
    button->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(button, &QWidget::customContextMenuRequested, this, [this, s] {
      store_.SetPopupSlot(s);
      slot_menu_->popup(QCursor::pos());
    });
  }

  connect(&store_, &SnapshotStore::bankShown, this, &SnapshotBand::Render);
  connect(&store_, &SnapshotStore::takeModeChanged, this,
          [this](bool on) { window_.SetChecked(Command::kTakeSnapshot, on); });
  Render();
  window_.SetChecked(Command::kTakeSnapshot, store_.TakeMode());
}

SnapshotBand::~SnapshotBand() = default;

void SnapshotBand::Render() {
  for (int s = 0; s < kSnapshotsPerBank; ++s) {
    const QString name = store_.SlotName(s);
    const bool enabled = store_.SlotEnabled(s);
    if (QAction* item = window_.MenuAction(SnapshotCommand(s))) {
      item->setText(name);
      item->setEnabled(enabled);
    }
    if (QAction* button = window_.ButtonAction(SnapshotCommand(s))) {
      button->setToolTip(name);
      button->setStatusTip(name);
      button->setEnabled(enabled);
    }
  }
  window_.SetChecked(BankCommand(store_.CurrentBank()), true);
}

void SnapshotBand::Rename() {
  const QString current = store_.SlotName(store_.PopupSlot());
  store_.RenameSnapshot(ask_name_(current));
}

}  // namespace quorvane
