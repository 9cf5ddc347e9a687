#include "keyboard/ui/midi_keyboard_window.h"

#include <QComboBox>
#include <QEvent>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>

#include "keyboard/ui/keys_widget.h"
#include "surface/ui/list_look.h"

namespace quorvane {
namespace {

constexpr int kListRows = 16;   // rows a dropped-down list shows
constexpr int kCaptionGap = 4;  // least room between a caption and its list

QComboBox* EntryList(const QString& name, QWidget* parent) {
  auto* list = new DropDownList(kListRows, parent);
  list->setObjectName(name);
  for (int n = 1; n <= KeyboardSender::kLastEntry + 1; ++n) list->addItem(QString::number(n));
  list->setCurrentIndex(0);
  return list;
}

QLabel* Caption(const QString& name, const QString& text, QWidget* parent) {
  auto* label = new QLabel(text, parent);
  label->setObjectName(name);
  label->adjustSize();
  return label;
}

// The row of captions and lists: each piece keeps its designed left edge unless the one before
// it, as wide as its font makes it, reaches further. Returns the piece's left edge.
int PlaceAfter(QWidget* w, int designed_left, const QWidget* before, int gap) {
  const int left = std::max(designed_left, before ? before->geometry().right() + 1 + gap : 0);
  w->move(left, w->y());
  return left;
}

}  // namespace

TUpDown::TUpDown(QWidget* parent)
    : QWidget(parent), up_(new QToolButton(this)), down_(new QToolButton(this)) {
  up_->setObjectName(QStringLiteral("Up"));
  down_->setObjectName(QStringLiteral("Down"));
  up_->setArrowType(Qt::UpArrow);
  down_->setArrowType(Qt::DownArrow);
  for (QToolButton* b : {up_, down_}) {
    b->setFocusPolicy(Qt::NoFocus);
    b->setAutoRepeat(true);
  }
  resize(12, 20);
  up_->setGeometry(0, 0, 12, 10);
  down_->setGeometry(0, 10, 12, 10);
  connect(up_, &QToolButton::clicked, this, [this] { emit changing(position_ + 1); });
  connect(down_, &QToolButton::clicked, this, [this] { emit changing(position_ - 1); });
}

void TUpDown::SetPosition(int position) {
  position_ = std::clamp(position, 0, KeyboardSender::kLastEntry);
}

TMidiKeyboardWindow::TMidiKeyboardWindow(KeyboardSender& sender, QWidget* parent)
    : QWidget(parent, Qt::Tool), sender_(sender) {
  setObjectName(QStringLiteral("MidiKeyboardWindow"));
  setWindowTitle(QStringLiteral("MIDI Keyboard"));
  setFixedSize(kClientWidth, kClientHeight);

  QLabel* bank_caption = Caption(QStringLiteral("Label1"), QStringLiteral("&Bank"), this);
  bank_ = EntryList(QStringLiteral("cbBank"), this);
  bank_up_down_ = new TUpDown(this);
  bank_up_down_->setObjectName(QStringLiteral("BankUpDown"));
  QLabel* program_caption = Caption(QStringLiteral("Label2"), QStringLiteral("&Program"), this);
  program_ = EntryList(QStringLiteral("cbProgram"), this);
  program_up_down_ = new TUpDown(this);
  program_up_down_->setObjectName(QStringLiteral("ProgramUpDown"));
  // Alt and the underlined letter reach the lists.
  bank_caption->setBuddy(bank_);
  program_caption->setBuddy(program_);
  for (QComboBox* list : {bank_, program_}) list->setGeometry(0, 4, 52, 21);
  for (TUpDown* arrows : {bank_up_down_, program_up_down_}) arrows->move(0, 4);
  for (QLabel* caption : {bank_caption, program_caption})
    caption->move(0, bank_->y() + (bank_->height() - caption->height()) / 2);
  PlaceAfter(bank_caption, 21, nullptr, 0);
  PlaceAfter(bank_, 52, bank_caption, kCaptionGap);
  PlaceAfter(bank_up_down_, 105, bank_, 1);
  PlaceAfter(program_caption, 126, bank_up_down_, kCaptionGap);
  PlaceAfter(program_, 171, program_caption, kCaptionGap);
  PlaceAfter(program_up_down_, 224, program_, 1);

  panic_ = new QToolButton(this);
  panic_->setObjectName(QStringLiteral("SpeedButton1"));
  panic_->setText(QStringLiteral("Panic"));
  panic_->setFocusPolicy(Qt::NoFocus);
  panic_->setGeometry(434, 4, 35, 20);

  auto* bevel = new QFrame(this);
  bevel->setObjectName(QStringLiteral("Bevel1"));
  bevel->setFrameShape(QFrame::HLine);
  bevel->setFrameShadow(QFrame::Sunken);
  bevel->setGeometry(1, 28, 473, 2);

  keys_ = new TKeys(this);
  keys_->setObjectName(QStringLiteral("Keys1"));
  keys_->setGeometry(2, 36, 473, 59);
  keys_->setCursor(Qt::PointingHandCursor);
  keys_->SetNoteWidth(11);
  keys_->SetBaseOctave(2);
  keys_->SetBlackBrush(QBrush(Qt::black));

  // activated, not currentIndexChanged: selecting from code must not send a second time.
  connect(bank_, &QComboBox::activated, this, [this](int index) {
    sender_.ChooseBank(index);
    bank_up_down_->SetPosition(index);
  });
  connect(program_, &QComboBox::activated, this, [this](int index) {
    sender_.ChooseProgram(index);
    program_up_down_->SetPosition(index);
  });
  connect(bank_up_down_, &TUpDown::changing, this, [this](int value) {
    if (sender_.StepBank(value)) bank_->setCurrentIndex(value);
    bank_up_down_->SetPosition(value);
  });
  connect(program_up_down_, &TUpDown::changing, this, [this](int value) {
    if (sender_.StepProgram(value)) program_->setCurrentIndex(value);
    program_up_down_->SetPosition(value);
  });
  setFocusPolicy(Qt::StrongFocus);
  bank_->installEventFilter(this);
  program_->installEventFilter(this);
  connect(panic_, &QToolButton::clicked, this, [this] { sender_.Panic(); });
  connect(keys_, &TKeys::noteOn, this,
          [this](int note, int velocity) { sender_.NoteOn(note, velocity); });
  connect(keys_, &TKeys::noteOff, this, [this](int note, int) { sender_.NoteOff(note); });
}

void TMidiKeyboardWindow::closeEvent(QCloseEvent* event) {
  QWidget::closeEvent(event);
  emit closed();
}

void TMidiKeyboardWindow::ReleaseNotes() {
  // Every note a held computer key sounds is also a pressed key of the keyboard.
  computer_.ReleaseAll();
  keys_->ReleaseAll();
}

bool TMidiKeyboardWindow::PlayKey(QKeyEvent* event) {
  if (event->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier)) return false;
  if (!ComputerKeys::Handles(event->key())) return false;
  if (event->type() == QEvent::KeyPress) {
    if (const auto on = computer_.Press(event->key(), event->isAutoRepeat()))
      keys_->NoteOn(on->note, on->velocity);
  } else if (const auto off = computer_.Release(event->key(), event->isAutoRepeat())) {
    keys_->NoteOff(off->note);
  }
  return true;
}

void TMidiKeyboardWindow::keyPressEvent(QKeyEvent* event) {
  if (!PlayKey(event)) QWidget::keyPressEvent(event);
}

void TMidiKeyboardWindow::keyReleaseEvent(QKeyEvent* event) {
  if (!PlayKey(event)) QWidget::keyReleaseEvent(event);
}

bool TMidiKeyboardWindow::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::KeyPress || event->type() == QEvent::KeyRelease) {
    if (PlayKey(static_cast<QKeyEvent*>(event))) return true;
  }
  return QWidget::eventFilter(watched, event);
}

void TMidiKeyboardWindow::changeEvent(QEvent* event) {
  // Key releases go to the window that has focus: without it, a held key would never end.
  if (event->type() == QEvent::ActivationChange && !isActiveWindow()) ReleaseNotes();
  QWidget::changeEvent(event);
}

void TMidiKeyboardWindow::hideEvent(QHideEvent* event) {
  // A note still sounding when the window goes away would hang.
  ReleaseNotes();
  QWidget::hideEvent(event);
}

}  // namespace quorvane
