#pragma once

#include <QWidget>

#include "keyboard/computer_keys.h"
#include "keyboard/keyboard_sender.h"

class QComboBox;
class QKeyEvent;
class QToolButton;

namespace quorvane {

class TKeys;

// Up-down buttons over 0..127 without wrap; they only ask, the window decides.
class TUpDown : public QWidget {
  Q_OBJECT

 public:
  explicit TUpDown(QWidget* parent = nullptr);
  int Position() const { return position_; }
  void SetPosition(int position);
  QToolButton* Up() const { return up_; }
  QToolButton* Down() const { return down_; }

 signals:
  // The user asked for this position, which may lie outside 0..127.
  void changing(int new_value);

 private:
  int position_ = 0;
  QToolButton* up_;
  QToolButton* down_;
};

// The "MIDI Keyboard" tool window: bank and program lists with their up-down buttons, Panic
// and the piano keyboard, also played from the computer keyboard while the window is active.
// What goes out is decided by the KeyboardSender.
class TMidiKeyboardWindow : public QWidget {
  Q_OBJECT

 public:
  static constexpr int kClientWidth = 476;
  static constexpr int kClientHeight = 98;

  explicit TMidiKeyboardWindow(KeyboardSender& sender, QWidget* parent = nullptr);

  TKeys* Keys() const { return keys_; }
  // Note offs for every sounding note, so that none hangs.
  void ReleaseNotes();
  QComboBox* BankList() const { return bank_; }
  QComboBox* ProgramList() const { return program_; }
  TUpDown* BankUpDown() const { return bank_up_down_; }
  TUpDown* ProgramUpDown() const { return program_up_down_; }
  QToolButton* PanicButton() const { return panic_; }

 signals:
  // The user closed the window with its title-bar button.
  void closed();

 protected:
  void closeEvent(QCloseEvent* event) override;
  void hideEvent(QHideEvent* event) override;
  void changeEvent(QEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void keyReleaseEvent(QKeyEvent* event) override;
  // The lists keep the letters that play notes from their own search.
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  // True when the key played or shifted the computer keyboard.
  bool PlayKey(QKeyEvent* event);

  KeyboardSender& sender_;
  ComputerKeys computer_;
  QComboBox* bank_;
  QComboBox* program_;
  TUpDown* bank_up_down_;
  TUpDown* program_up_down_;
  QToolButton* panic_;
  TKeys* keys_;
};

}  // namespace quorvane
