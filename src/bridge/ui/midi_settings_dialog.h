#pragma once

#include <QDialog>

class QComboBox;
class QLineEdit;
class QPushButton;

namespace quorvane {

class MidiSettingsEditor;

// The "MIDI Devices" dialog: shows MidiSettingsEditor and hands the user's choices back to it.
class MidiSettingsDialog : public QDialog {
  Q_OBJECT

 public:
  // The designed size with the MIDI System row; the dialog grows past it when the system font
  // needs more room.
  static constexpr QSize kDesignedSize{355, 274};

  explicit MidiSettingsDialog(MidiSettingsEditor& form, QWidget* parent = nullptr);

  // The setup procedure: fills the controls, places the dialog beside `main_window`, runs it
  // modally and applies OK or Cancel.
  void Execute(QWidget* main_window);

  QComboBox* Input1() const { return cmb_input1_; }
  QComboBox* Input2() const { return cmb_input2_; }
  QComboBox* Output1() const { return cmb_output1_; }
  QComboBox* Channel() const { return cmb_channel_; }
  QComboBox* ListenChannel() const { return cmb_listen_channel_; }
  QComboBox* RemoteChannel() const { return cmb_remote_channel_; }
  QComboBox* MidiSystem() const { return cmb_midi_system_; }
  QLineEdit* SendDelay() const { return send_delay_; }
  QPushButton* OkButton() const { return button1_; }
  QPushButton* CancelButton() const { return button2_; }

  void done(int result) override;

 private:
  void FillDeviceLists();
  void ShowForm();
  void TakeForm();

  MidiSettingsEditor& form_;
  QComboBox* cmb_input1_ = nullptr;
  QComboBox* cmb_listen_channel_ = nullptr;
  QComboBox* cmb_output1_ = nullptr;
  QComboBox* cmb_channel_ = nullptr;
  QComboBox* cmb_input2_ = nullptr;
  QComboBox* cmb_remote_channel_ = nullptr;
  QComboBox* cmb_midi_system_ = nullptr;
  QLineEdit* send_delay_ = nullptr;
  QPushButton* button1_ = nullptr;
  QPushButton* button2_ = nullptr;
  bool filling_ = false;
};

}  // namespace quorvane
