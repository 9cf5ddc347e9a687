#include "surface/ui/main_window.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QEvent>
#include <QFrame>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QScrollArea>
#include <QStatusBar>
#include <QStatusTipEvent>
#include <QToolBar>
#include <QToolButton>

#include "surface/selection_commands.h"
#include "surface/surface_model.h"
#include "surface/ui/activity_indicator.h"
#include "surface/ui/bulk_send_window.h"
#include "surface/ui/icons.h"
#include "surface/ui/qt_color.h"
#include "surface/ui/track_bar.h"

namespace quorvane {
namespace {

enum class Kind { kPlain, kCheck, kRadio, kSeparator };

// One menu item or tool button. Items whose feature is not built yet stay disabled.
struct ItemSpec {
  QString name;
  QString caption;  // menu caption, or empty for a tool button
  QString shortcut;
  QString hint;
  Kind kind = Kind::kPlain;
  bool enabled = false;
};

ItemSpec Separator() {
  return {{}, {}, {}, {}, Kind::kSeparator, false};
}

struct MenuSpec {
  QString name;
  QString caption;
  QString hint;
  QList<ItemSpec> items;
};

QList<MenuSpec> MenuTable() {
  QList<MenuSpec> menus;

  menus.append(
      {QStringLiteral("File1"),
       QStringLiteral("&File"),
       {},
       {
           {"InitialiseSliderSettings1", "&Initialize Slider Settings", "Ctrl+N",
            "Initialize Slider Settings"},
           {"OpenSliderSettings1", "&Open Slider Settings...", "Ctrl+O", "Open Slider Settings"},
           {"SaveSliderSettings2", "&Save Slider Settings", "Ctrl+S", {}},
           {"SaveSliderSettings1", "Save Slider Settings &As...", "Ctrl+Shift+S",
            "Save Slider Settings As"},
           Separator(),
           {"FilterUnusedSlidersUsingNordModularPatchFile1",
            "Filter Unused Sliders Using &Controller Dump...", "Ctrl+F",
            "Filter Unused Sliders Using Controller Dump"},
           {"SortSliders", "Filter Unused Sliders Using Nord Modular &Patch File...",
            "Ctrl+Shift+F", "Filter Unused Sliders Using Nord Modular Patch File..."},
           Separator(),
           {"Exit1", "E&xit", {}, {}, Kind::kPlain, true},
       }});

  menus.append(
      {QStringLiteral("MIDI1"),
       QStringLiteral("&MIDI"),
       {},
       {
           {"SendAllControllers1", "Send &All Controllers", "F6", {}},
           {"SendControllersOnCurrentPage1", "Send All Controllers On &Current Page", "F7", {}},
           {"SendSelectedControllers1", "Send &Selected Controllers", "F8", {}},
           Separator(),
           {"MIDIDevices1", "Setup &MIDI Devices...", {}, "Setup MIDI Devices"},
       }});

  menus.append(
      {QStringLiteral("Selection1"),
       QStringLiteral("&Selection"),
       {},
       {
           {"SelectAll2", "Select &All", "Ctrl+A", {}},
           {"DeselectAll1", "&Deselect All", "Ctrl+D", {}},
           {"SelectAll1", "Select All On &Current Page", "Shift+A", {}},
           {"DeselectAllOnCurrentPage1", "Deselect All On C&urrent Page", "Shift+D", {}},
           Separator(),
           {"EnableSelectedSliders1", "Enable Selected S&liders", "Ctrl+E", {}},
           {"DisableSelectedsliders1", "Disable Selected Sl&iders", "Ctrl+B", {}},
           {"miClearLabels", "Clear La&bels", {}, {}},
           Separator(),
           {"SetUpperRangeForSelectedSliders1",
            "Set &Upper Range For Selected Sliders",
            "Ctrl+U",
            {}},
           {"SetLowerRangeForSelectedSliders1",
            "Set L&ower Range For Selected Sliders",
            "Ctrl+L",
            {}},
           {"ClearRangeForSelectedSliders1", "Cl&ear Range For Selected Sliders", "Ctrl+C", {}},
           Separator(),
           {"GroupSelection1", "&Group Selection", "Ctrl+G", {}, Kind::kCheck},
           {"RandomizeSelection1", "&Randomize Selection", "F9", {}},
           {"SetupRamdomizeFactor1", "Setup Randomize &Factor...", "Ctrl+R", {}},
       }});

  MenuSpec pages{QStringLiteral("Pages1"), QStringLiteral("&Pages"), {}, {}};
  for (int p = 1; p <= kPageCount; ++p) {
    pages.items.append({QStringLiteral("LoadPage%1").arg(p), QStringLiteral("Load Page &%1").arg(p),
                        QStringLiteral("F%1").arg(p), QStringLiteral("Load Page %1").arg(p),
                        Kind::kRadio, true});
  }
  pages.items.append(Separator());
  pages.items.append({"UpdateSliderNumbers1",
                      "&Update Slider Numbers",
                      {},
                      "Update Slider Numbers",
                      Kind::kCheck,
                      true});
  menus.append(pages);

  MenuSpec snapshots{QStringLiteral("Snapshots1"),
                     QStringLiteral("S&napshots"),
                     {},
                     {
                         {"NewBank1", "&New Library", {}, {}},
                         {"LoadBank1", "&Load Library...", {}, {}},
                         {"SaveBank1", "&Save Library", {}, {}},
                         {"SaveBankAs1", "Save Library &As...", {}, {}},
                         Separator(),
                         {"TakeSnapshot1", "&Take Snapshot", "Ctrl+T", {}, Kind::kCheck},
                         Separator(),
                     }};
  for (int s = 0; s <= 9; ++s) {
    snapshots.items.append({QStringLiteral("Snapshot%1").arg(s),
                            QStringLiteral("Snapshot &%1").arg(s),
                            QStringLiteral("Ctrl+%1").arg(s),
                            {},
                            Kind::kRadio});
  }
  menus.append(snapshots);

  MenuSpec favorites{
      QStringLiteral("Favorites1"), QStringLiteral("&Favorites"), QStringLiteral("Favorites"), {}};
  for (int n = 1; n <= 10; ++n) {
    favorites.items.append({QStringLiteral("miFav%1").arg(n),
                            QStringLiteral("Load File &%1...").arg(n),
                            {},
                            QStringLiteral("Load File %1").arg(n)});
  }
  favorites.items.append(Separator());
  favorites.items.append({"ClearFavorites1", "&Clear Favorites Menu...", {}, "Clear Favorites"});
  menus.append(favorites);

  menus.append(
      {QStringLiteral("View1"),
       QStringLiteral("&View"),
       {},
       {
           {"VectorController1", "&Vector Controller...", "Ctrl+V", {}, Kind::kCheck},
           {"MorphSlider1", "&Morph Slider...", "Ctrl+M", {}, Kind::kCheck},
           {"MIDIKeyboard1", "MIDI &Keyboard...", "Ctrl+K", {}, Kind::kCheck},
           {"SnapshotList1", "&Snapshot List...", "Ctrl+I", {}, Kind::kCheck},
           Separator(),
           {"CompactView1", "&Compact View", "Ctrl+P", {}},
           {"miToTray", "Minimize To &Taskbar Tray", {}, "Minimize To Taskbar Tray", Kind::kCheck},
           {"AlwaysOnTop1", "&Always On Top", {}, {}, Kind::kCheck},
       }});

  menus.append({QStringLiteral("Help1"),
                QStringLiteral("&Help"),
                {},
                {
                    {"About1", "&About...", {}, "About"},
                }});
  return menus;
}

struct BandSpec {
  QString name;
  QString title;
  QList<ItemSpec> buttons;
};

ItemSpec Button(const char* name, const char* hint, Kind kind = Kind::kPlain,
                bool enabled = false) {
  return {QString::fromLatin1(name), {}, {}, QString::fromLatin1(hint), kind, enabled};
}

QList<BandSpec> BandTable() {
  QList<BandSpec> bands;
  bands.append({QStringLiteral("ToolBar1"),
                QStringLiteral("main"),
                {
                    Button("btnFileNew", "Initialize Slider Settings"),
                    Button("btnFileOpen", "Open Slider Settings"),
                    Button("btnFileSave", "Save Slider Settings"),
                    Separator(),
                    Button("btnMidiSetup", "Setup MIDI Devices"),
                    Button("btlSendAll", "Send All Controllers"),
                    Button("btnDumpRequest", "Dump Request"),
                    Separator(),
                    Button("btnRandomize", "Randomize Selection"),
                    Button("btnGroup", "Group Selection", Kind::kCheck),
                    Separator(),
                    Button("btnShowVector", "Vector Controller", Kind::kCheck),
                    Button("btnShowMorph", "Morph Slider", Kind::kCheck),
                    Button("btnShowMidiKeyboard", "MIDI Keyboard", Kind::kCheck),
                    Button("btnShowSnapshotWindow", "Snapshot List", Kind::kCheck),
                    Separator(),
                    Button("ToolButton10", "About"),
                    Button("ToolButton11", "Exit", Kind::kPlain, true),
                }});

  BandSpec pages{QStringLiteral("ToolBar2"), QStringLiteral("Pages"), {}};
  for (int p = 1; p <= kPageCount; ++p) {
    pages.buttons.append({QStringLiteral("btnPage%1").arg(p),
                          {},
                          {},
                          QStringLiteral("Load Page %1").arg(p),
                          Kind::kRadio,
                          true});
  }
  pages.buttons.append(
      Button("btnUpdateSliderNumbers", "Update Slider Numbers", Kind::kCheck, true));
  bands.append(pages);

  bands.append({QStringLiteral("ToolBar4"),
                QStringLiteral("Transport"),
                {
                    Button("btnPlay", "Play"),
                    Button("btnStop", "Stop"),
                    Button("btnRecord", "Record"),
                    Button("btnPause", "Pause"),
                }});

  BandSpec snapshots{QStringLiteral("ToolBar3"),
                     QStringLiteral("Snapshots"),
                     {
                         Button("ToolButton8", "Bank A", Kind::kRadio),
                         Button("ToolButton12", "Bank B", Kind::kRadio),
                         Button("ToolButton13", "Bank C", Kind::kRadio),
                         Button("ToolButton14", "Bank D", Kind::kRadio),
                         Separator(),
                         Button("btnTakeSnap", "Take Snapshot", Kind::kCheck),
                     }};
  for (int s = 0; s <= 9; ++s) {
    snapshots.buttons.append(
        {QStringLiteral("btnSnp%1").arg(s), {}, {}, QStringLiteral("Snapshot %1").arg(s)});
  }
  bands.append(snapshots);
  return bands;
}

// Slot column geometry, relative to the column's left edge.
constexpr QRect kNumberRect{2, 2, 35, 24};
constexpr QRect kValueRect{4, 35, 31, 16};
constexpr QRect kSliderRect{9, 55, 20, 180};
constexpr QRect kButtonRect{8, 238, 22, 16};
constexpr QRect kCaptionRect{-2, 258, 45, 39};
constexpr int kRuleY = 28;
constexpr int kSeparatorTop = 61;
constexpr int kSeparatorLength = 167;
constexpr int kSeparatorX[] = {379, 763};
constexpr int kAreaHeight = 300;
constexpr int kPanelWidths[MainWindow::kStatusPanels] = {340, 80, 30, 40, 30, 50, 50};
constexpr int kIndicatorPanel = 5;

void SetColors(QWidget* w, const QColor& background, const QColor& text) {
  QPalette pal = w->palette();
  if (pal.color(QPalette::Window) == background && pal.color(QPalette::WindowText) == text) return;
  pal.setColor(QPalette::Window, background);
  pal.setColor(QPalette::WindowText, text);
  w->setPalette(pal);
}

}  // namespace

MainWindow::MainWindow(SurfaceModel& model, QWidget* parent)
    : QMainWindow(parent),
      model_(model),
      track_bar_style_(std::make_unique<TrackBarStyle>()),
      send_window_(std::make_unique<BulkSendWindow>(model.StopRequest())) {
  setObjectName(QStringLiteral("SliderWindow"));
  BuildMenus();
  BuildBands();
  BuildSlotArea();
  BuildStatusBar();
  ConnectModel();
  RenderAllSlots();
  RenderState();
  for (int p = 0; p < kStatusPanels; ++p) RenderStatusPanel(p);
  RenderActivity();
  resize(kDesignedClientSize.width(),
         kDesignedClientSize.height() + menuBar()->sizeHint().height());
}

MainWindow::~MainWindow() {
  while (busy_cursors_ > 0) {
    --busy_cursors_;
    QApplication::restoreOverrideCursor();
  }
  // The track bars use the shared style; remove them before the style goes.
  delete takeCentralWidget();
}

QAction* MainWindow::Action(const QString& name) const {
  return actions_.value(name, nullptr);
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

QLabel* MainWindow::StatusPanel(int panel) const {
  return panels_.at(static_cast<std::size_t>(panel));
}

void MainWindow::BuildMenus() {
  for (const MenuSpec& ms : MenuTable()) {
    QMenu* menu = menuBar()->addMenu(ms.caption);
    menu->setObjectName(ms.name);
    menu->menuAction()->setObjectName(ms.name);
    menu->menuAction()->setStatusTip(ms.hint);
    menus_.insert(ms.name, menu);
    QActionGroup* radio = nullptr;
    for (const ItemSpec& it : ms.items) {
      if (it.kind == Kind::kSeparator) {
        menu->addSeparator();
        radio = nullptr;
        continue;
      }
      QAction* a = menu->addAction(it.caption);
      a->setObjectName(it.name);
      if (!it.shortcut.isEmpty()) a->setShortcut(QKeySequence(it.shortcut));
      a->setStatusTip(it.hint);
      a->setCheckable(it.kind != Kind::kPlain);
      if (it.kind == Kind::kRadio) {
        if (!radio) radio = new QActionGroup(menu);
        radio->addAction(a);
      } else {
        radio = nullptr;
      }
      a->setEnabled(it.enabled);
      actions_.insert(it.name, a);
    }
  }

  for (int p = 1; p <= kPageCount; ++p) {
    connect(Action(QStringLiteral("LoadPage%1").arg(p)), &QAction::triggered, this,
            [this, p] { model_.ShowPage(p); });
  }
  connect(Action(QStringLiteral("UpdateSliderNumbers1")), &QAction::triggered, this,
          [this](bool on) { model_.SetUpdateSliderNumbers(on); });
  connect(Action(QStringLiteral("Exit1")), &QAction::triggered, this, &QWidget::close);
}

void MainWindow::BuildBands() {
  for (const BandSpec& bs : BandTable()) {
    // Two rows: main and Pages, then Transport and Snapshots.
    if (bs.title == QLatin1String("Transport")) addToolBarBreak();
    QToolBar* band = addToolBar(bs.title);
    band->setObjectName(bs.name);
    band->setIconSize(QSize(16, 16));
    bands_.insert(bs.title, band);
    QActionGroup* radio = nullptr;
    for (const ItemSpec& it : bs.buttons) {
      if (it.kind == Kind::kSeparator) {
        band->addSeparator();
        radio = nullptr;
        continue;
      }
      QAction* a = band->addAction(ToolIcon(it.name), it.hint);
      a->setObjectName(it.name);
      a->setToolTip(it.hint);
      a->setStatusTip(it.hint);
      a->setCheckable(it.kind != Kind::kPlain);
      if (it.kind == Kind::kRadio) {
        if (!radio) {
          radio = new QActionGroup(band);
          a->setChecked(true);  // the first of a group starts down
        }
        radio->addAction(a);
      } else {
        radio = nullptr;
      }
      a->setEnabled(it.enabled);
      band->widgetForAction(a)->setObjectName(it.name);
      actions_.insert(it.name, a);
    }
  }

  for (int p = 1; p <= kPageCount; ++p) {
    connect(Action(QStringLiteral("btnPage%1").arg(p)), &QAction::triggered, this,
            [this, p] { model_.ShowPage(p); });
  }
  connect(Action(QStringLiteral("btnUpdateSliderNumbers")), &QAction::triggered, this,
          [this](bool on) { model_.SetUpdateSliderNumbers(on); });
  connect(Action(QStringLiteral("ToolButton11")), &QAction::triggered, this, &QWidget::close);
}

void MainWindow::BuildSlotArea() {
  scroll_ = new QScrollArea(this);
  scroll_->setObjectName(QStringLiteral("ScrollBox1"));
  scroll_->setWidgetResizable(false);
  scroll_->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  auto* area = new QWidget;
  area->setObjectName(QStringLiteral("SlotArea"));
  area->setFixedSize(kColumnPitch * kSlotCount, kAreaHeight);

  auto* rule = new QFrame(area);
  rule->setFrameShape(QFrame::HLine);
  rule->setFrameShadow(QFrame::Sunken);
  rule->setGeometry(0, kRuleY, area->width(), 2);
  for (int x : kSeparatorX) {
    auto* line = new QFrame(area);
    line->setFrameShape(QFrame::VLine);
    line->setFrameShadow(QFrame::Sunken);
    line->setGeometry(x, kSeparatorTop, 2, kSeparatorLength);
  }

  QFont number_font = font();
  number_font.setPixelSize(19);
  const QIcon glyph = SlotButtonIcon();

  for (int s = 1; s <= kSlotCount; ++s) {
    SlotColumn& c = columns_.at(static_cast<std::size_t>(s - 1));
    const int x0 = kColumnPitch * (s - 1);
    const QString n = QString::number(s);

    c.number = new QLabel(area);
    c.number->setObjectName(QStringLiteral("Label") + n);
    c.number->setGeometry(kNumberRect.translated(x0, 0));
    c.number->setAlignment(Qt::AlignCenter);
    c.number->setFont(number_font);
    c.number->setCursor(Qt::PointingHandCursor);
    c.number->setAutoFillBackground(true);

    c.value = new QLabel(area);
    c.value->setObjectName(QStringLiteral("d") + n);
    c.value->setGeometry(kValueRect.translated(x0, 0));
    c.value->setAlignment(Qt::AlignCenter);
    c.value->setFrameShape(QFrame::Panel);
    c.value->setFrameShadow(QFrame::Sunken);
    c.value->setAutoFillBackground(true);

    c.slider = new TrackBar(area);
    c.slider->setObjectName(QStringLiteral("s") + n);
    c.slider->setStyle(track_bar_style_.get());
    c.slider->setGeometry(kSliderRect.translated(x0, 0));
    connect(c.slider, &QSlider::valueChanged, this,
            [this, s](int position) { model_.TrackBarMoved(s, position); });
    connect(c.slider, &TrackBar::focused, this, [this, s] { model_.SetActiveSlot(s); });
    connect(c.slider, &TrackBar::keyTyped, this, [this, s](QChar key) {
      if (selection_) selection_->SetRange(s, key);
    });

    c.button = new QToolButton(area);
    c.button->setObjectName(QStringLiteral("b") + n);
    c.button->setGeometry(kButtonRect.translated(x0, 0));
    c.button->setCheckable(true);
    c.button->setAutoRaise(true);
    c.button->setIcon(glyph);
    c.button->setIconSize(QSize(12, 8));
    connect(c.button, &QToolButton::clicked, this,
            [this, s](bool down) { model_.ButtonPressed(s, down); });

    c.caption = new QLabel(area);
    c.caption->setObjectName(QStringLiteral("l") + n);
    c.caption->setGeometry(kCaptionRect.translated(x0, 0));
    c.caption->setAlignment(Qt::AlignCenter);
    c.caption->setWordWrap(true);
    c.caption->setCursor(Qt::PointingHandCursor);
    c.caption->setAutoFillBackground(true);
  }

  scroll_->setWidget(area);
  setCentralWidget(scroll_);
}

void MainWindow::BuildStatusBar() {
  QStatusBar* bar = statusBar();
  bar->setObjectName(QStringLiteral("StatusBar"));
  // Small enough for "MIDI Controller" to fit its 80-pixel panel.
  QFont small = bar->font();
  small.setPixelSize(10);
  bar->setFont(small);
  for (int p = 0; p < kStatusPanels; ++p) {
    const int width = kPanelWidths[p];
    if (p == kIndicatorPanel) {
      indicator_ = new ActivityIndicator(bar);
      indicator_->setObjectName(QStringLiteral("ActivityIndicator"));
      indicator_->setFixedWidth(width);
      bar->addWidget(indicator_);
      continue;
    }
    auto* label = new QLabel(bar);
    label->setObjectName(QStringLiteral("StatusPanel%1").arg(p));
    label->setFixedWidth(width);
    label->setFrameShape(QFrame::Panel);
    label->setFrameShadow(QFrame::Sunken);
    if (p == 2 || p == 4) label->setAlignment(Qt::AlignCenter);
    bar->addWidget(label);
    panels_.at(static_cast<std::size_t>(p)) = label;
  }
}

void MainWindow::ConnectModel() {
  connect(&model_, &SurfaceModel::slotChanged, this, &MainWindow::RenderSlot);
  connect(&model_, &SurfaceModel::pageShown, this, [this] { RenderAllSlots(); });
  connect(&model_, &SurfaceModel::stateChanged, this, &MainWindow::RenderState);
  connect(&model_, &SurfaceModel::statusPanelChanged, this, &MainWindow::RenderStatusPanel);
  connect(&model_, &SurfaceModel::activityChanged, this, &MainWindow::RenderActivity);
  connect(&model_, &SurfaceModel::sendBegun, this, &MainWindow::SendBegun);
  connect(&model_, &SurfaceModel::sendEnded, this, &MainWindow::SendEnded);
}

void MainWindow::BindBulkCommands(SelectionCommands& selection, SelectionInteraction& interaction) {
  selection_ = &selection;
  auto bind = [this](const char* name, auto fn) {
    QAction* action = Action(QString::fromLatin1(name));
    action->setEnabled(true);
    connect(action, &QAction::triggered, this, fn);
  };
  SurfaceModel& m = model_;
  SelectionCommands& c = selection;
  bind("SendAllControllers1", [&m] { m.StartSend(BulkSendThread::kAllPages); });
  bind("btlSendAll", [&m] { m.StartSend(BulkSendThread::kAllPages); });
  bind("SendControllersOnCurrentPage1", [&m] { m.StartSend(BulkSendThread::kCurrentPage); });
  bind("SendSelectedControllers1", [&m] { m.StartSend(BulkSendThread::kSelected); });

  bind("SelectAll2", [&c] { c.SelectAll(); });
  bind("DeselectAll1", [&c] { c.DeselectAll(); });
  bind("SelectAll1", [&c] { c.SelectAllOnCurrentPage(); });
  bind("DeselectAllOnCurrentPage1", [&c] { c.DeselectAllOnCurrentPage(); });
  bind("EnableSelectedSliders1", [&c] { c.EnableSelected(); });
  bind("DisableSelectedsliders1", [&c] { c.DisableSelected(); });
  bind("SetUpperRangeForSelectedSliders1", [&c] { c.SetRangeForSelected(QLatin1Char('u')); });
  bind("SetLowerRangeForSelectedSliders1", [&c] { c.SetRangeForSelected(QLatin1Char('l')); });
  bind("ClearRangeForSelectedSliders1", [&c] { c.SetRangeForSelected(QLatin1Char('c')); });
  bind("GroupSelection1", [&c] { c.ToggleGroupMode(); });
  bind("btnGroup", [&c] { c.ToggleGroupMode(); });
  bind("RandomizeSelection1", [&c] { c.RandomizeSelection(); });
  bind("btnRandomize", [&c] { c.RandomizeSelection(); });
  bind("SetupRamdomizeFactor1", [&c, &interaction] { c.SetupRandomizeFactor(interaction); });
  RenderState();
}

void MainWindow::SendBegun() {
  ++busy_cursors_;
  QApplication::setOverrideCursor(Qt::WaitCursor);
  send_window_->ShowCentered();
  setEnabled(false);
}

void MainWindow::SendEnded() {
  setEnabled(true);
  send_window_->close();
  if (busy_cursors_ > 0) {
    --busy_cursors_;
    QApplication::restoreOverrideCursor();
  }
}

void MainWindow::RenderSlot(int slot) {
  const SlotView& v = model_.View(slot);
  const SlotColumn& c = Column(slot);

  c.slider->setPositionQuietly(v.position);
  c.slider->setMarker(v.marker.start, v.marker.end);
  c.slider->setEnabled(v.enabled);

  c.value->setText(v.value_text);
  SetColors(c.value, Qt::black, ToQColor(v.value_text_color));

  c.caption->setText(v.caption);
  SetColors(c.caption, ToQColor(v.caption_background), ToQColor(v.caption_text_color));

  c.button->setEnabled(v.enabled);
  c.button->setChecked(v.button_down);

  c.number->setText(v.number_text);
  c.number->setToolTip(v.hint);
  c.number->setStatusTip(v.hint);
  const QPalette& app = palette();
  if (v.selected_look) {
    SetColors(c.number, app.color(QPalette::Highlight), app.color(QPalette::HighlightedText));
  } else {
    SetColors(c.number, app.color(QPalette::Button), app.color(QPalette::WindowText));
  }
}

void MainWindow::RenderAllSlots() {
  for (int s = 1; s <= kSlotCount; ++s) RenderSlot(s);
}

void MainWindow::RenderState() {
  setWindowTitle(model_.Title());
  const int p = model_.CurrentPage();
  Action(QStringLiteral("LoadPage%1").arg(p))->setChecked(true);
  Action(QStringLiteral("btnPage%1").arg(p))->setChecked(true);
  Action(QStringLiteral("UpdateSliderNumbers1"))->setChecked(model_.UpdateSliderNumbers());
  Action(QStringLiteral("btnUpdateSliderNumbers"))->setChecked(model_.UpdateSliderNumbers());
  Action(QStringLiteral("GroupSelection1"))->setChecked(model_.GroupMode());
  Action(QStringLiteral("btnGroup"))->setChecked(model_.GroupMode());
}

void MainWindow::RenderStatusPanel(int panel) {
  if (QLabel* label = StatusPanel(panel)) label->setText(model_.StatusPanel(panel));
}

void MainWindow::RenderActivity() {
  indicator_->setActivity(model_.InActivity(), model_.OutActivity());
}

void MainWindow::SetStandingMessage(const QString& text) {
  standing_message_ = text;
  panels_[0]->setText(text);
  panels_[0]->setToolTip(text);
}

bool MainWindow::event(QEvent* e) {
  // Hints go to panel 0 instead of replacing the whole status bar.
  if (e->type() == QEvent::StatusTip) {
    QString tip = static_cast<QStatusTipEvent*>(e)->tip();
    tip.replace(QLatin1String("\r\n"), QLatin1String("  "));
    panels_[0]->setText(tip.isEmpty() ? standing_message_ : tip);
    return true;
  }
  return QMainWindow::event(e);
}

}  // namespace quorvane
