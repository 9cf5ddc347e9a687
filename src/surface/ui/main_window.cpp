#include "surface/ui/main_window.h"

#include <QAction>
#include <QApplication>
#include <QColorDialog>
#include <QDrag>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QEvent>
#include <QFrame>
#include <QGuiApplication>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QMouseEvent>
#include <QScreen>
#include <QScrollArea>
#include <QStatusBar>
#include <QStatusTipEvent>
#include <QToolButton>
#include <QWindow>
#include <algorithm>
#include <optional>

#include "surface/label_gestures.h"
#include "surface/selection_commands.h"
#include "surface/surface_model.h"
#include "surface/ui/activity_indicator.h"
#include "surface/ui/bulk_send_window.h"
#include "surface/ui/compact_window.h"
#include "surface/ui/icons.h"
#include "surface/ui/qt_color.h"
#include "surface/ui/track_bar.h"
#include "surface/window_placement.h"

namespace quorvane {
namespace {

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
constexpr int kPanelWidths[StatusBoard::kStatusPanels] = {340, 80, 30, 40, 30, 50, 50};
constexpr int kIndicatorPanel = 5;
// What a dragged definition carries; only this window's labels take it.
const QString kDefinitionMime = QStringLiteral("application/x-quorvane-definition");

// A label of a fixed size: a new text asks no layout to run again, which a stream of values
// would otherwise make it do on every frame.
void Pin(QWidget* w, const QRect& r) {
  w->setFixedSize(r.size());
  w->move(r.topLeft());
}

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
      compact_(std::make_unique<TCompactWindow>(model)) {
  setObjectName(QStringLiteral("SliderWindow"));
  BuildMenus();
  BuildBands();
  BindViewCommands();
  BuildSlotArea();
  BuildStatusBar();
  BindWindowBehaviour();
  ConnectModel();
  RenderAllSlots();
  RenderState();
  for (int p = 0; p < StatusBoard::kStatusPanels; ++p) RenderStatusPanel(p);
  RenderActivity();
  // The panels' texts change with every message sent: at the height of the bar's row, no new
  // text lays the status bar out again.
  const int panel_height =
      std::max(panels_[1]->sizeHint().height(), indicator_->sizeHint().height());
  for (QLabel* label : panels_)
    if (label) label->setFixedHeight(panel_height);
  resize(kDesignedClientSize.width(),
         kDesignedClientSize.height() + menuBar()->sizeHint().height());
}

MainWindow::~MainWindow() {
  compact_.reset();
  while (busy_cursors_ > 0) {
    --busy_cursors_;
    QApplication::restoreOverrideCursor();
  }
  // The track bars use the shared style; remove them before the style goes.
  delete takeCentralWidget();
}

QLabel* MainWindow::StatusPanel(int panel) const {
  return panels_.at(static_cast<std::size_t>(panel));
}

void MainWindow::BindViewCommands() {
  for (int p = 1; p <= kPageCount; ++p) Bind(PageCommand(p), [this, p] { model_.ShowPage(p); });
  Bind(Command::kUpdateSliderNumbers, [this](bool on) {
    SurfaceSettings s = model_.Settings();
    s.update_slider_numbers = on;
    model_.SetSettings(s);
  });
  Bind(Command::kExit, [this] { close(); });
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
    Pin(c.number, kNumberRect.translated(x0, 0));
    c.number->setAlignment(Qt::AlignCenter);
    c.number->setFont(number_font);
    c.number->setCursor(Qt::PointingHandCursor);
    c.number->setAutoFillBackground(true);
    c.number->setAcceptDrops(true);
    c.number->installEventFilter(this);
    number_slots_.insert(c.number, s);

    c.value = new QLabel(area);
    c.value->setObjectName(QStringLiteral("d") + n);
    Pin(c.value, kValueRect.translated(x0, 0));
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
    connect(c.slider, &TrackBar::focused, this, [this, s] { model_.Gestures().SetActiveSlot(s); });
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
    Pin(c.caption, kCaptionRect.translated(x0, 0));
    c.caption->setAlignment(Qt::AlignCenter);
    c.caption->setWordWrap(true);
    c.caption->setCursor(Qt::PointingHandCursor);
    c.caption->setAutoFillBackground(true);
    c.caption->installEventFilter(this);
    caption_slots_.insert(c.caption, s);
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
  for (int p = 0; p < StatusBoard::kStatusPanels; ++p) {
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
    // Opaque: a new text paints the panel alone, not the status bar beneath.
    label->setAutoFillBackground(true);
    if (p == 2 || p == 4) label->setAlignment(Qt::AlignCenter);
    bar->addWidget(label);
    panels_.at(static_cast<std::size_t>(p)) = label;
  }
}

void MainWindow::ConnectModel() {
  // Slots, panels and lamps at most once a screen refresh, however fast messages come.
  connect(&model_.Redraws(), &RedrawPacer::frameDue, this, &MainWindow::RenderFrame);
  connect(&model_, &SurfaceModel::stateChanged, this, &MainWindow::RenderState);
  connect(&model_.Status(), &StatusBoard::noticeChanged, this, &MainWindow::RenderNotice);
  connect(&model_.Sends(), &BulkSends::sendBegun, this, &MainWindow::SendBegun);
  connect(&model_.Sends(), &BulkSends::sendEnded, this, &MainWindow::SendEnded);
}

void MainWindow::BindBulkCommands(SelectionCommands& selection, SelectionInteraction& interaction) {
  selection_ = &selection;
  SurfaceModel& m = model_;
  SelectionCommands& c = selection;
  Bind(Command::kSendAllControllers, [&m] { m.Sends().StartSend(BulkSendThread::kAllPages); });
  Bind(Command::kSendCurrentPage, [&m] { m.Sends().StartSend(BulkSendThread::kCurrentPage); });
  Bind(Command::kSendSelected, [&m] { m.Sends().StartSend(BulkSendThread::kSelected); });

  Bind(Command::kSelectAll, [&c] { c.SelectAll(); });
  Bind(Command::kDeselectAll, [&c] { c.DeselectAll(); });
  Bind(Command::kSelectAllOnPage, [&c] { c.SelectAllOnCurrentPage(); });
  Bind(Command::kDeselectAllOnPage, [&c] { c.DeselectAllOnCurrentPage(); });
  Bind(Command::kEnableSelected, [&c] { c.EnableSelected(); });
  Bind(Command::kDisableSelected, [&c] { c.DisableSelected(); });
  Bind(Command::kSetUpperRange, [&c] { c.SetRangeForSelected(QLatin1Char('u')); });
  Bind(Command::kSetLowerRange, [&c] { c.SetRangeForSelected(QLatin1Char('l')); });
  Bind(Command::kClearRange, [&c] { c.SetRangeForSelected(QLatin1Char('c')); });
  Bind(Command::kGroupSelection, [&c] { c.ToggleGroupMode(); });
  Bind(Command::kRandomize, [&c] { c.RandomizeSelection(); });
  Bind(Command::kSetupRandomizeFactor, [&c, &interaction] { c.SetupRandomizeFactor(interaction); });
  Bind(Command::kClearLabels, [&c] { c.ClearLabels(); });
  RenderState();
}

void MainWindow::BindLabelGestures(LabelGestures& gestures) {
  gestures_ = &gestures;
}

void MainWindow::BindWindowBehaviour() {
  Bind(Command::kAlwaysOnTop, [this](bool on) {
    SurfaceSettings s = model_.Settings();
    s.always_on_top = on;
    model_.SetSettings(s);
  });
  Bind(Command::kCompactView, [this] { model_.Window().ToggleCompactView(); });
  connect(&model_.Window(), &WindowMode::compactViewChanged, this, &MainWindow::ShowCompactView);
  connect(&model_.Window(), &WindowMode::minimizeRequested, this, &MainWindow::MinimizeApplication);
  connect(&model_.Window(), &WindowMode::restoreRequested, this, &MainWindow::RestoreApplication);
  connect(compact_.get(), &TCompactWindow::closed, this,
          [this] { model_.Window().LeaveCompactView(); });
  compact_->installEventFilter(this);
  // Another program may have taken the top place meanwhile.
  connect(qApp, &QGuiApplication::applicationStateChanged, this,
          [this](Qt::ApplicationState state) {
            if (state != Qt::ApplicationActive) ApplyTopmost();
          });
}

void MainWindow::ApplyTopmost() {
  const bool on = model_.Settings().always_on_top;
  for (QWidget* w : {static_cast<QWidget*>(this), static_cast<QWidget*>(compact_.get())}) {
    Qt::WindowFlags flags = w->windowFlags();
    flags.setFlag(Qt::WindowStaysOnTopHint, on);
    // Told to the window system directly: QWidget::setWindowFlags would hide the window.
    w->overrideWindowFlags(flags);
    if (QWindow* handle = w->windowHandle()) handle->setFlags(flags);
  }
}

void MainWindow::ShowCompactView(bool on) {
  if (!on) {
    compact_->hide();
    show();
    return;
  }
  compact_->RenderCaptions();
  const QRect main_window = geometry();
  hide();
  const QScreen* screen = this->screen();
  const QRect area = screen ? screen->availableGeometry() : QRect();
  compact_->setGeometry(CompactStripGeometry(main_window, compact_->height(), area));
  compact_->show();
}

void MainWindow::MinimizeApplication() {
  model_.Window().SetMinimized(true);
  if (model_.Window().CompactView()) {
    compact_->showMinimized();
  } else {
    showMinimized();
  }
}

void MainWindow::RestoreApplication() {
  model_.Window().SetMinimized(false);
  if (model_.Window().CompactView()) {
    hide();
    compact_->showNormal();
    compact_->activateWindow();
  } else {
    showNormal();
    activateWindow();
  }
}

void MainWindow::changeEvent(QEvent* e) {
  // A new desktop palette (a dark one, say) redraws what takes its colours from it.
  if (e->type() == QEvent::PaletteChange) {
    for (QAction* a : button_actions_) {
      if (a) a->setIcon(ToolIcon(a->objectName(), palette()));
    }
    shown_.fill(std::nullopt);  // the number labels take their colours from the palette
    RenderAllSlots();
  }
  if (e->type() == QEvent::WindowStateChange) {
    const bool minimized = isMinimized();
    if (minimized != model_.Window().Minimized()) {
      if (minimized) {
        model_.Window().SetMinimized(true);
      } else {
        RestoreApplication();
      }
    }
  }
  QMainWindow::changeEvent(e);
}

void MainWindow::ChooseColor(int slot) {
  QColorDialog dialog(last_color_, this);
  dialog.setObjectName(QStringLiteral("ColorDialog1"));
  dialog.setOption(QColorDialog::DontUseNativeDialog, !native_dialogs_);
  if (dialog.exec() != QDialog::Accepted) return;
  last_color_ = dialog.selectedColor();
  model_.SetSlotColor(slot, FromQColor(last_color_));
}

bool MainWindow::eventFilter(QObject* watched, QEvent* e) {
  if (watched == compact_.get()) {
    if (e->type() == QEvent::WindowStateChange && compact_->isMinimized()) {
      model_.Window().SetMinimized(true);
    }
    return QMainWindow::eventFilter(watched, e);
  }
  if (const auto it = number_slots_.constFind(watched); it != number_slots_.cend()) {
    return NumberLabelEvent(it.value(), e);
  }
  if (const auto it = caption_slots_.constFind(watched); it != caption_slots_.cend()) {
    return CaptionLabelEvent(it.value(), e);
  }
  if (const auto it = page_buttons_.constFind(watched); it != page_buttons_.cend()) {
    return PageButtonEvent(it.value(), e);
  }
  return QMainWindow::eventFilter(watched, e);
}

int MainWindow::NumberLabelAt(QPoint global) const {
  for (int s = 1; s <= kSlotCount; ++s) {
    const QLabel* label = NumberLabel(s);
    if (label->rect().contains(label->mapFromGlobal(global))) return s;
  }
  return 0;
}

bool MainWindow::NumberLabelEvent(int slot, QEvent* e) {
  if (!gestures_) return false;
  switch (e->type()) {
    case QEvent::MouseButtonPress: {
      const auto* me = static_cast<QMouseEvent*>(e);
      gestures_->Press(slot, me->button(), me->globalPosition().toPoint());
      return true;
    }
    case QEvent::MouseMove: {
      const auto* me = static_cast<QMouseEvent*>(e);
      const QPoint global = me->globalPosition().toPoint();
      // The left button keeps its moves on the label pressed; the right one sweeps across.
      const int over = me->buttons() == Qt::RightButton ? NumberLabelAt(global) : slot;
      if (over == 0) return true;
      if (gestures_->Move(over, me->buttons(), me->modifiers(), global) ==
          LabelGestures::Outcome::kBeginDrag) {
        StartDrag(over);
      }
      return true;
    }
    case QEvent::MouseButtonRelease: {
      const auto* me = static_cast<QMouseEvent*>(e);
      const bool inside = NumberLabel(slot)->rect().contains(me->position().toPoint());
      if (gestures_->Release(me->button(), inside) == LabelGestures::Outcome::kOpenSettings) {
        emit slotSettingsRequested(slot);
      }
      return true;
    }
    case QEvent::DragEnter:
    case QEvent::DragMove: {
      auto* de = static_cast<QDragMoveEvent*>(e);
      if (de->mimeData()->hasFormat(kDefinitionMime) && gestures_->AcceptsDrop(slot)) {
        de->acceptProposedAction();
      } else {
        de->ignore();
      }
      return true;
    }
    case QEvent::Drop: {
      auto* de = static_cast<QDropEvent*>(e);
      if (de->mimeData()->hasFormat(kDefinitionMime) && gestures_->Drop(slot)) {
        de->acceptProposedAction();
      } else {
        de->ignore();
      }
      return true;
    }
    default:
      return false;
  }
}

bool MainWindow::CaptionLabelEvent(int slot, QEvent* e) {
  if (e->type() != QEvent::MouseButtonRelease) return false;
  const auto* me = static_cast<QMouseEvent*>(e);
  if (me->button() == Qt::LeftButton &&
      CaptionLabel(slot)->rect().contains(me->position().toPoint())) {
    ChooseColor(slot);
  }
  return true;
}

bool MainWindow::PageButtonEvent(int page, QEvent* e) {
  if (e->type() != QEvent::DragEnter && e->type() != QEvent::DragMove) return false;
  auto* de = static_cast<QDragMoveEvent*>(e);
  if (gestures_ && de->mimeData()->hasFormat(kDefinitionMime)) gestures_->HoverPage(page);
  de->ignore();  // the page switches; the definition lands on a slot, never here
  return true;
}

void MainWindow::StartDrag(int slot) {
  auto* drag = new QDrag(NumberLabel(slot));
  auto* mime = new QMimeData;
  mime->setData(kDefinitionMime, QByteArray::number(SequenceNumber(model_.CurrentPage(), slot)));
  drag->setMimeData(mime);
  drag->setPixmap(CaptionLabel(slot)->grab());
  if (drag_runner_) {
    drag_runner_(*drag);
  } else {
    drag->exec(Qt::MoveAction);
  }
  drag->deleteLater();
  gestures_->EndDrag();
}

void MainWindow::SendBegun() {
  ++busy_cursors_;
  QApplication::setOverrideCursor(Qt::WaitCursor);
  SendWindow()->ShowCentered();
  setEnabled(false);
}

void MainWindow::SendEnded() {
  setEnabled(true);
  if (send_window_) send_window_->close();
  if (busy_cursors_ > 0) {
    --busy_cursors_;
    QApplication::restoreOverrideCursor();
  }
}

BulkSendWindow* MainWindow::SendWindow() {
  // Built at the first send: most runs never show it.
  if (!send_window_) send_window_ = std::make_unique<BulkSendWindow>(model_.Sends().StopRequest());
  return send_window_.get();
}

void MainWindow::RenderSlot(int slot) {
  const SlotView& v = model_.View(slot);
  const SlotColumn& c = Column(slot);
  // Texts only where they changed since the column was last drawn: a stream of values sets
  // one label's text, and the others are not laid out again.
  std::optional<SlotView>& was = shown_.at(static_cast<std::size_t>(slot - 1));
  const bool all = !was.has_value();
  auto changed = [&](auto member) { return all || (*was).*member != v.*member; };

  c.slider->setPositionQuietly(v.position);
  c.slider->setMarker(v.marker.start, v.marker.end);
  c.slider->setEnabled(v.enabled);

  if (changed(&SlotView::value_text)) c.value->setText(v.value_text);
  SetColors(c.value, Qt::black, ToQColor(v.value_text_color));

  if (changed(&SlotView::caption)) c.caption->setText(v.caption);
  SetColors(c.caption, ToQColor(v.caption_background), ToQColor(v.caption_text_color));

  c.button->setEnabled(v.enabled);
  c.button->setChecked(v.button_down);

  if (changed(&SlotView::number_text)) c.number->setText(v.number_text);
  if (changed(&SlotView::hint)) {
    c.number->setToolTip(v.hint);
    c.number->setStatusTip(v.hint);
  }
  was = v;
  const QPalette& app = palette();
  if (v.selected_look) {
    SetColors(c.number, app.color(QPalette::Highlight), app.color(QPalette::HighlightedText));
  } else {
    SetColors(c.number, app.color(QPalette::Button), app.color(QPalette::ButtonText));
  }
}

void MainWindow::RenderFrame(const RedrawFrame& frame) {
  for (int s = 1; s <= kSlotCount; ++s)
    if (frame.dirty_slots.test(static_cast<std::size_t>(s))) RenderSlot(s);
  for (int p = 0; p < StatusBoard::kStatusPanels; ++p)
    if (frame.dirty_panels.test(static_cast<std::size_t>(p))) RenderStatusPanel(p);
  if (frame.lamps) RenderActivity();
}

void MainWindow::RenderAllSlots() {
  for (int s = 1; s <= kSlotCount; ++s) RenderSlot(s);
}

void MainWindow::RenderState() {
  setWindowTitle(model_.Title());
  SetChecked(PageCommand(model_.CurrentPage()), true);
  SetChecked(Command::kUpdateSliderNumbers, model_.Settings().update_slider_numbers);
  SetChecked(Command::kGroupSelection, model_.GroupMode());
  SetChecked(Command::kAlwaysOnTop, model_.Settings().always_on_top);
  if (windowFlags().testFlag(Qt::WindowStaysOnTopHint) != model_.Settings().always_on_top)
    ApplyTopmost();
}

void MainWindow::RenderStatusPanel(int panel) {
  if (QLabel* label = StatusPanel(panel)) label->setText(model_.Status().Panel(panel));
}

void MainWindow::RenderActivity() {
  indicator_->setActivity(model_.Status().InActivity(), model_.Status().OutActivity());
}

void MainWindow::SetNotice(StatusNotices::Source source, const QString& text) {
  notices_.Set(source, text);
  RenderNotice();
}

void MainWindow::RenderNotice() {
  notices_.Set(StatusNotices::Source::kPassing, model_.Status().Notice());
  ShowInFirstPanel(notices_.Shown(), notices_.All());
}

void MainWindow::ShowInFirstPanel(const QString& text, const QString& whole) {
  QLabel* panel = panels_[0];
  const QFontMetrics metrics = panel->fontMetrics();
  // A framed label indents its text by half an x.
  const int room = panel->contentsRect().width() - metrics.horizontalAdvance(QLatin1Char('x'));
  panel->setText(metrics.elidedText(text, Qt::ElideRight, room));
  panel->setToolTip(whole);
}

bool MainWindow::event(QEvent* e) {
  // Hints go to panel 0 instead of replacing the whole status bar.
  if (e->type() == QEvent::StatusTip) {
    QString tip = static_cast<QStatusTipEvent*>(e)->tip();
    tip.replace(QLatin1String("\r\n"), QLatin1String("  "));
    if (tip.isEmpty()) {
      RenderNotice();
    } else {
      ShowInFirstPanel(tip, tip);
    }
    return true;
  }
  return QMainWindow::event(e);
}

}  // namespace quorvane
