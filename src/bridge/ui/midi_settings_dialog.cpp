#include "bridge/ui/midi_settings_dialog.h"

#include <QComboBox>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>

#include "bridge/midi_settings_editor.h"

namespace quorvane {

namespace {

void WhiteOnBlack(QWidget* w) {
  QPalette pal = w->palette();
  for (QPalette::ColorRole role : {QPalette::Base, QPalette::Window, QPalette::Button})
    pal.setColor(role, Qt::black);
  for (QPalette::ColorRole role : {QPalette::Text, QPalette::WindowText, QPalette::ButtonText})
    pal.setColor(role, Qt::white);
  w->setPalette(pal);
}

// A caption that ends before `right` (the control beside it): the designed layout assumed a
// small 96-dpi font, so a wider system font is stepped down until the caption fits.
QLabel* Label(QWidget* parent, const char* name, const QString& text, int left, int top,
              int right) {
  auto* label = new QLabel(text, parent);
  label->setObjectName(QString::fromLatin1(name));
  QFont font = label->font();
  constexpr double kSmallestPoint = 6.0;
  while (left + label->fontMetrics().horizontalAdvance(text) > right - 3 &&
         font.pointSizeF() > kSmallestPoint) {
    font.setPointSizeF(font.pointSizeF() - 0.5);
    label->setFont(font);
  }
  label->adjustSize();
  // The caption's text top sits where the designed label's top is.
  label->move(left, top);
  return label;
}

QComboBox* List(QWidget* parent, const char* name, QRect geometry, int visible) {
  auto* box = new QComboBox(parent);
  box->setObjectName(QString::fromLatin1(name));
  box->setGeometry(geometry);
  box->setMaxVisibleItems(visible);
  WhiteOnBlack(box);
  return box;
}

QFrame* Line(QWidget* parent, const char* name, QRect geometry, QFrame::Shape shape) {
  auto* frame = new QFrame(parent);
  frame->setObjectName(QString::fromLatin1(name));
  frame->setFrameShape(shape);
  frame->setFrameShadow(QFrame::Sunken);
  frame->setGeometry(geometry);
  return frame;
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
  setFixedSize(kClientSize);
  setWindowFlag(Qt::MSWindowsFixedSizeDialogHint);
  setModal(true);

  Line(this, "Bevel1", QRect(4, 4, 347, 207), QFrame::Box);
  Label(this, "Label1", QStringLiteral("MIDI Input"), 10, 17, 121);
  cmb_input1_ = List(this, "cmbInput1", QRect(121, 13, 217, 21), 16);
  Label(this, "Label6", QStringLiteral("Listen To Channel"), 10, 44, 121);
  cmb_listen_channel_ = List(this, "cmbListenChannel", QRect(121, 40, 43, 21), 17);
  Label(this, "Label2", QStringLiteral("MIDI Output"), 10, 70, 121);
  cmb_output1_ = List(this, "cmbOutput1", QRect(121, 66, 217, 21), 16);
  Label(this, "Label3", QStringLiteral("Global MIDI Channel"), 10, 96, 121);
  cmb_channel_ = List(this, "cmbChannel", QRect(121, 92, 43, 21), 16);
  // Which MIDI system the devices come from; it sits in the free space of the channel row.
  Label(this, "Label9", QStringLiteral("MIDI System"), 190, 96, 265);
  cmb_midi_system_ = List(this, "cmbMidiSystem", QRect(265, 92, 73, 21), 16);
  Line(this, "Bevel2", QRect(8, 117, 338, 2), QFrame::HLine);
  Label(this, "Label4", QStringLiteral("Remote Input"), 10, 129, 121);
  cmb_input2_ = List(this, "cmbInput2", QRect(121, 125, 217, 21), 16);
  Label(this, "Label5", QStringLiteral("Remote MIDI Channel"), 10, 154, 121);
  cmb_remote_channel_ = List(this, "cmbRemoteChannel", QRect(121, 150, 43, 21), 16);
  Line(this, "Bevel3", QRect(8, 176, 338, 2), QFrame::HLine);
  Label(this, "Label7", QStringLiteral("MIDI Send Delay"), 10, 187, 121);
  send_delay_ = new QLineEdit(this);
  send_delay_->setObjectName(QStringLiteral("MIDISendDelay"));
  send_delay_->setGeometry(121, 183, 43, 21);
  WhiteOnBlack(send_delay_);
  Label(this, "Label8", QStringLiteral("(0 ms..1000 ms)"), 169, 187, 351);

  button1_ = new QPushButton(QStringLiteral("&OK"), this);
  button1_->setObjectName(QStringLiteral("Button1"));
  button1_->setGeometry(100, 219, 75, 25);
  button1_->setDefault(true);
  button2_ = new QPushButton(QStringLiteral("&Cancel"), this);
  button2_->setObjectName(QStringLiteral("Button2"));
  button2_->setGeometry(180, 219, 75, 25);
  connect(button1_, &QPushButton::clicked, this, &QDialog::accept);
  connect(button2_, &QPushButton::clicked, this, &QDialog::reject);

  setTabOrder(cmb_input1_, cmb_listen_channel_);
  setTabOrder(cmb_listen_channel_, cmb_output1_);
  setTabOrder(cmb_output1_, cmb_channel_);
  setTabOrder(cmb_channel_, cmb_input2_);
  setTabOrder(cmb_input2_, cmb_remote_channel_);
  setTabOrder(cmb_remote_channel_, send_delay_);
  setTabOrder(send_delay_, cmb_midi_system_);
  setTabOrder(cmb_midi_system_, button1_);
  setTabOrder(button1_, button2_);

  cmb_listen_channel_->addItems(MidiSettingsEditor::ListenChannelItems());
  cmb_channel_->addItems(MidiSettingsEditor::ChannelItems());
  cmb_remote_channel_->addItems(MidiSettingsEditor::ChannelItems());
  cmb_midi_system_->addItems(MidiSettingsEditor::SystemItems());
  FillDeviceLists();

  connect(cmb_midi_system_, &QComboBox::currentIndexChanged, this, [this](int index) {
    if (filling_) return;
    TakeForm();
    const QString told = form_.ChangeSystem(index);
    if (!told.isEmpty()) QMessageBox::warning(this, QStringLiteral("Warning"), told);
  });
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
