#include "snapshots/ui/snapshot_window.h"

#include <QAction>
#include <QCloseEvent>
#include <QHeaderView>
#include <QMouseEvent>
#include <QScrollArea>
#include <QTableWidget>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>
#include <functional>

#include "snapshots/snapshot_store.h"
#include "surface/surface_model.h"

namespace quorvane {

namespace {

// Pressing the cell that is already current selects it again; the table alone would not say so.
class ReselectingTable : public QTableWidget {
 public:
  using QTableWidget::QTableWidget;
  std::function<void(int row, int column)> reselected;

 protected:
  void mousePressEvent(QMouseEvent* event) override {
    const QModelIndex before = currentIndex();
    QTableWidget::mousePressEvent(event);
    const QModelIndex hit = indexAt(event->position().toPoint());
    if (hit.isValid() && hit == before && currentIndex() == before && reselected)
      reselected(hit.row(), hit.column());
  }
};

QToolButton* AddButton(QToolBar* bar, const QString& object_name, const QString& hint) {
  QAction* action = bar->addAction(hint);
  action->setToolTip(hint);
  action->setStatusTip(hint);
  auto* button = qobject_cast<QToolButton*>(bar->widgetForAction(action));
  button->setObjectName(object_name);
  return button;
}

QString Key(int row) {
  return QChar(u'A' + row / kSnapshotsPerBank) + QString::number(row % kSnapshotsPerBank);
}

}  // namespace

TSnapshotWindow::TSnapshotWindow(SnapshotStore& store, SurfaceModel& surface, QWidget* parent)
    : QWidget(parent, Qt::Tool), store_(store) {
  setObjectName(QStringLiteral("SnapshotWindow"));
  setWindowTitle(QStringLiteral("Snapshots"));

  tools_ = new QToolBar(this);
  new_ = AddButton(tools_, QStringLiteral("btnNewLib"), QStringLiteral("New Library"));
  open_ = AddButton(tools_, QStringLiteral("btnOpenLib"), QStringLiteral("Open Library"));
  save_ = AddButton(tools_, QStringLiteral("btnSaveLib"), QStringLiteral("Save Library"));
  connect(new_, &QToolButton::clicked, this, [this] { store_.NewLibrary(); });
  connect(open_, &QToolButton::clicked, this, [this] { store_.LoadLibrary(); });
  connect(save_, &QToolButton::clicked, this, [this] { store_.SaveLibrary(); });

  auto* table = new ReselectingTable(kRows, 2);
  table->reselected = [this](int row, int column) { SelectCell(row, column); };
  list_ = table;
  list_->setObjectName(QStringLiteral("vlSnapshots"));
  list_->setHorizontalHeaderLabels({QString(), QStringLiteral("Name")});
  list_->verticalHeader()->hide();
  // The key column as wide as its font needs, the names in the rest: nothing lies beyond the
  // right edge, so selecting a row never scrolls the keys out of sight.
  QHeaderView* columns = list_->horizontalHeader();
  columns->setMinimumSectionSize(kKeyColumnWidth);
  columns->setSectionResizeMode(0, QHeaderView::ResizeToContents);
  columns->setSectionResizeMode(1, QHeaderView::Stretch);
  list_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  list_->setSelectionBehavior(QAbstractItemView::SelectRows);
  list_->setSelectionMode(QAbstractItemView::SingleSelection);
  list_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  for (int r = 0; r < kRows; ++r) {
    auto* key = new QTableWidgetItem(Key(r));
    key->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
    list_->setItem(r, 0, key);
    auto* name = new QTableWidgetItem;
    name->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
    list_->setItem(r, 1, name);
  }
  // The list is as high as its 40 rows; the scroll box around it scrolls.
  list_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  list_->setFixedHeight(list_->horizontalHeader()->sizeHint().height() +
                        list_->verticalHeader()->length() + 2 * list_->frameWidth());
  connect(list_, &QTableWidget::currentCellChanged, this,
          [this](int row, int column) { SelectCell(row, column); });

  scroll_ = new QScrollArea(this);
  scroll_->setWidgetResizable(true);
  scroll_->setWidget(list_);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  layout->addWidget(tools_);
  layout->addWidget(scroll_, 1);

  // Only stores, renames, New and Load refresh the rows: a slot that take mode opened holds
  // nothing yet and keeps reading "[empty]".
  connect(&store_, &SnapshotStore::listChanged, this, &TSnapshotWindow::ShowSnapshotList);
  // Like the main window: nothing may be recalled while a bulk send runs.
  connect(&surface.Sends(), &BulkSends::sendBegun, this, [this] { setEnabled(false); });
  connect(&surface.Sends(), &BulkSends::sendEnded, this, [this] { setEnabled(true); });
  ShowSnapshotList();
}

void TSnapshotWindow::ShowSnapshotList() {
  for (int r = 0; r < kRows; ++r) {
    list_->item(r, 1)->setText(store_.ListName(r / kSnapshotsPerBank + 1, r % kSnapshotsPerBank));
  }
}

void TSnapshotWindow::SelectCell(int row, int column) {
  if (row < 0 || column != 1) return;
  store_.RecallSnapshot(row / kSnapshotsPerBank + 1, row % kSnapshotsPerBank);
}

void TSnapshotWindow::closeEvent(QCloseEvent* event) {
  QWidget::closeEvent(event);
  emit closed();
}

}  // namespace quorvane
