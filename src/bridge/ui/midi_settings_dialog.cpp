#include "bridge/ui/midi_settings_dialog.h"

#include <QComboBox>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <algorithm>
#include <utility>

#include "bridge/midi_settings_editor.h"
#include "surface/ui/list_look.h"

namespace quorvane {

namespace {

QLabel* Label(QWidget* parent, const char* name, const QString& text) {
  auto* label = new QLabel(text, parent);
  label->setObjectName(QString::fromLatin1(name));
  label->adjustSize();
  return label;
}

QComboBox* List(QWidget* parent, const char* name, int visible) {
  auto* box = new DropDownList(visible, parent);
  box->setObjectName(QString::fromLatin1(name));
  return box;
}

QFrame* Line(QWidget* parent, const char* name, QFrame::Shape shape) {
  auto* frame = new QFrame(parent);
  frame->setObjectName(QString::fromLatin1(name));
  frame->setFrameShape(shape);
  frame->setFrameShadow(QFrame::Sunken);
  return frame;
}

// The designed layout (a small 96-dpi font), widened and heightened where the system font
// needs more room; text is never shrunk to fit.
constexpr int kMargin = 4;         // dialog edge to the outer bevel
constexpr int kCaptionLeft = 10;   // left edge of every caption
constexpr int kControlLeft = 121;  // designed left edge of the controls
constexpr int kCaptionGap = 6;     // least room between a caption and its control
constexpr int kRowHeight = 21;     // designed control height
constexpr int kRowGap = 5;         // designed room between two rows
constexpr int kLineRoom = 12;      // designed room between two rows a separator line parts
constexpr int kButtonWidth = 75;
constexpr int kButtonHeight = 25;
constexpr int kButtonGap = 5;     // between the two buttons
constexpr int kButtonsRoom = 15;  // designed room between the last row and the buttons

// At least the designed size, more when the widget's own font needs it.
int AtLeast(int designed, int needed) {
  return std::max(designed, needed);
}

void Fill(QComboBox* box, const QStringList& items, int selected) {
  box->clear();
  box->addItems(items);
  box->setCurrentIndex(selected);
}

}  // namespace

MidiSettingsDialog::MidiSettingsDialog(MidiSettingsEditor& form, QWidget* parent)
    : QDialog(parent), form_(form) {
  setObjectName(QStringLiteral("MIDISettingsForm"));
  setWindowTitle(QStringLiteral("MIDI Devices"));
  setModal(true);

  auto* bevel1 = Line(this, "Bevel1", QFrame::Box);
  auto* bevel2 = Line(this, "Bevel2", QFrame::HLine);
  auto* bevel3 = Line(this, "Bevel3", QFrame::HLine);
  cmb_input1_ = List(this, "cmbInput1", 16);
  cmb_listen_channel_ = List(this, "cmbListenChannel", 17);
  cmb_output1_ = List(this, "cmbOutput1", 16);
  cmb_channel_ = List(this, "cmbChannel", 16);
  cmb_midi_system_ = List(this, "cmbMidiSystem", 16);
  cmb_input2_ = List(this, "cmbInput2", 16);
  cmb_remote_channel_ = List(this, "cmbRemoteChannel", 16);
  send_delay_ = new QLineEdit(this);
  send_delay_->setObjectName(QStringLiteral("MIDISendDelay"));
  PaintWhiteOnBlack(send_delay_);
  auto* delay_range = Label(this, "Label8", QStringLiteral("(0 ms..1000 ms)"));
  button1_ = new QPushButton(QStringLiteral("&OK"), this);
  button1_->setObjectName(QStringLiteral("Button1"));
  button1_->setDefault(true);
  button2_ = new QPushButton(QStringLiteral("&Cancel"), this);
  button2_->setObjectName(QStringLiteral("Button2"));
  connect(button1_, &QPushButton::clicked, this, &QDialog::accept);
  connect(button2_, &QPushButton::clicked, this, &QDialog::reject);

  cmb_listen_channel_->addItems(MidiSettingsEditor::ListenChannelItems());
  cmb_channel_->addItems(MidiSettingsEditor::ChannelItems());
  cmb_remote_channel_->addItems(MidiSettingsEditor::ChannelItems());
  cmb_midi_system_->addItems(MidiSettingsEditor::SystemItems());

  // One caption and one control a row, top to bottom; a separator line after the rows that
  // end a group. The device lists keep their designed width: names vary, the list drops down.
  struct Row {
    QLabel* caption;
    QWidget* control;
    int designed_width;
    bool fit_contents;
    QFrame* line_after;
  };
  const Row rows[] = {
      {Label(this, "Label1", QStringLiteral("MIDI &Input")), cmb_input1_, 217, false, nullptr},
      {Label(this, "Label6", QStringLiteral("&Listen To Channel")), cmb_listen_channel_, 43, true,
       nullptr},
      {Label(this, "Label2", QStringLiteral("MIDI O&utput")), cmb_output1_, 217, false, nullptr},
      {Label(this, "Label3", QStringLiteral("&Global MIDI Channel")), cmb_channel_, 43, true,
       nullptr},
      {Label(this, "Label9", QStringLiteral("MIDI &System")), cmb_midi_system_, 73, true, bevel2},
      {Label(this, "Label4", QStringLiteral("&Remote Input")), cmb_input2_, 217, false, nullptr},
      {Label(this, "Label5", QStringLiteral("Remote MIDI C&hannel")), cmb_remote_channel_, 43, true,
       bevel3},
      {Label(this, "Label7", QStringLiteral("MIDI Send &Delay")), send_delay_, 43, false, nullptr},
  };

  int control_left = kControlLeft;
  int row_height = kRowHeight;
  for (const Row& r : rows) {
    r.caption->setBuddy(r.control);  // Alt and the underlined letter go to the control
    control_left = std::max(control_left, kCaptionLeft + r.caption->width() + kCaptionGap);
    row_height = std::max({row_height, r.caption->height(), r.control->minimumSizeHint().height()});
  }
  row_height = std::max(row_height, delay_range->height());
  const int delay_width =
      AtLeast(43, send_delay_->fontMetrics().horizontalAdvance(QStringLiteral("00000")) + 8);

  int top = kMargin + 9;  // designed: the first row 13 from the top
  int right = 0;
  for (const Row& r : rows) {
    int width = r.designed_width;
    if (r.fit_contents) width = AtLeast(width, r.control->sizeHint().width());
    if (r.control == send_delay_) width = delay_width;
    r.control->setGeometry(control_left, top, width, row_height);
    r.caption->move(kCaptionLeft, top + (row_height - r.caption->height()) / 2);
    right = std::max(right, control_left + width);
    top += row_height + kRowGap;
    if (r.line_after) {
      r.line_after->setGeometry(8, top - 1, 0, 2);  // width once the dialog's width is known
      top += kLineRoom - kRowGap;
    }
  }
  const int delay_right = send_delay_->geometry().right() + 1;
  delay_range->move(delay_right + 5, send_delay_->y() + (row_height - delay_range->height()) / 2);
  right = std::max(right, delay_range->geometry().right() + 1);

  const int width = AtLeast(kDesignedSize.width(), right + 17);
  const int button_width =
      AtLeast(kButtonWidth, std::max(button1_->sizeHint().width(), button2_->sizeHint().width()));
  const int button_height = AtLeast(
      kButtonHeight, std::max(button1_->sizeHint().height(), button2_->sizeHint().height()));
  const int buttons_top = top - kRowGap + kButtonsRoom;
  const int buttons_left = (width - 2 * button_width - kButtonGap) / 2;
  button1_->setGeometry(buttons_left, buttons_top, button_width, button_height);
  button2_->setGeometry(buttons_left + button_width + kButtonGap, buttons_top, button_width,
                        button_height);
  const int height = AtLeast(kDesignedSize.height(), buttons_top + button_height + kMargin);
  bevel1->setGeometry(kMargin, kMargin, width - 2 * kMargin, buttons_top - 12);
  for (QFrame* line : {bevel2, bevel3}) line->resize(width - 17, 2);
  setFixedSize(width, height);
  setWindowFlag(Qt::MSWindowsFixedSizeDialogHint);

  setTabOrder(cmb_input1_, cmb_listen_channel_);
  setTabOrder(cmb_listen_channel_, cmb_output1_);
  setTabOrder(cmb_output1_, cmb_channel_);
  setTabOrder(cmb_channel_, cmb_midi_system_);
  setTabOrder(cmb_midi_system_, cmb_input2_);
  setTabOrder(cmb_input2_, cmb_remote_channel_);
  setTabOrder(cmb_remote_channel_, send_delay_);
  setTabOrder(send_delay_, button1_);
  setTabOrder(button1_, button2_);
  FillDeviceLists();

  connect(cmb_midi_system_, &QComboBox::currentIndexChanged, this, [this](int index) {
    if (filling_) return;
    TakeForm();
    const QString told = form_.ChangeSystem(index);
    if (!told.isEmpty()) QMessageBox::warning(this, QStringLiteral("Warning"), told);
  });
  // Each pick reaches the form at once: lists that change while the dialog is open keep it.
  const std::pair<QComboBox*, PortRole> device_lists[] = {{cmb_input1_, PortRole::kInput1},
                                                          {cmb_input2_, PortRole::kRemoteInput},
                                                          {cmb_output1_, PortRole::kOutput}};
  for (const auto& [box, role] : device_lists) {
    connect(box, &QComboBox::currentIndexChanged, this, [this, role = role](int index) {
      if (!filling_) form_.Select(role, index);
    });
  }
  connect(&form_, &MidiSettingsEditor::deviceListsChanged, this,
          &MidiSettingsDialog::FillDeviceLists);
  connect(&form_, &MidiSettingsEditor::listsChanged, this, [this] {
    FillDeviceLists();
    ShowForm();
  });
}

void MidiSettingsDialog::FillDeviceLists() {
  filling_ = true;
  Fill(cmb_input1_, form_.InputItems(), form_.input1);
  Fill(cmb_input2_, form_.InputItems(), form_.input2);
  Fill(cmb_output1_, form_.OutputItems(), form_.output1);
  filling_ = false;
}

void MidiSettingsDialog::ShowForm() {
  filling_ = true;
  cmb_input1_->setCurrentIndex(form_.input1);
  cmb_input2_->setCurrentIndex(form_.input2);
  cmb_output1_->setCurrentIndex(form_.output1);
  cmb_channel_->setCurrentIndex(form_.channel);
  cmb_listen_channel_->setCurrentIndex(form_.listen_channel);
  cmb_remote_channel_->setCurrentIndex(form_.remote_channel);
  cmb_midi_system_->setCurrentIndex(form_.system);
  send_delay_->setText(form_.delay_text);
  filling_ = false;
}

void MidiSettingsDialog::TakeForm() {
  form_.input1 = cmb_input1_->currentIndex();
  form_.input2 = cmb_input2_->currentIndex();
  form_.output1 = cmb_output1_->currentIndex();
  form_.channel = cmb_channel_->currentIndex();
  form_.listen_channel = cmb_listen_channel_->currentIndex();
  form_.remote_channel = cmb_remote_channel_->currentIndex();
  form_.system = cmb_midi_system_->currentIndex();
  form_.delay_text = send_delay_->text();
}

void MidiSettingsDialog::Execute(QWidget* main_window) {
  form_.Setup();
  FillDeviceLists();
  ShowForm();
  if (main_window) move(main_window->x() + 100, main_window->y() + 60);
  cmb_input1_->setFocus();
  if (exec() == QDialog::Accepted) {
    TakeForm();
    form_.Accept();
  } else {
    form_.Cancel();
  }
}

void MidiSettingsDialog::done(int result) {
  if (result == QDialog::Accepted && !MidiSettingsEditor::DelayValid(send_delay_->text())) {
    QMessageBox::warning(this, QStringLiteral("Warning"), MidiSettingsEditor::kInvalidDelayText,
                         QMessageBox::Ok);
    return;
  }
  QDialog::done(result);
}

}  // namespace quorvane
