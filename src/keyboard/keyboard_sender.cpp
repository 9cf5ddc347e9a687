#include "keyboard/keyboard_sender.h"

#include <algorithm>

namespace quorvane {

KeyboardSender::KeyboardSender(ShortSender send, ChannelSource global_channel,
                               OutputSource output_in_use)
    : send_(std::move(send)),
      global_channel_(std::move(global_channel)),
      output_in_use_(std::move(output_in_use)) {}

bool KeyboardSender::Send(int status_base, int data1, int data2) {
  if (!send_ || !output_in_use_ || !output_in_use_()) return false;
  const int channel = std::clamp(global_channel_ ? global_channel_() : 1, 1, 16);
  return send_(static_cast<std::uint8_t>(status_base + channel - 1),
               static_cast<std::uint8_t>(data1 & 0x7F), static_cast<std::uint8_t>(data2 & 0x7F));
}

void KeyboardSender::NoteOn(int note, int velocity) {
  if (note < 0 || note > 127) return;
  Send(0x90, note, velocity);
}

void KeyboardSender::NoteOff(int note) {
  if (note < 0 || note > 127) return;
  Send(0x90, note, 0);
}

void KeyboardSender::Panic() {
  Send(0xB0, kAllNotesOff, 0);
}

void KeyboardSender::SendProgram() {
  Send(0xC0, program_, 0);
}

void KeyboardSender::SendBank() {
  // No bank select MSB: receivers that want one keep their own.
  if (Send(0xB0, kBankSelectLsb, bank_)) SendProgram();
}

void KeyboardSender::ChooseBank(int index) {
  if (!InRange(index)) return;
  bank_ = index;
  SendBank();
}

void KeyboardSender::ChooseProgram(int index) {
  if (!InRange(index)) return;
  program_ = index;
  SendProgram();
}

bool KeyboardSender::StepBank(int new_value) {
  if (!InRange(new_value)) return false;
  bank_ = new_value;
  SendBank();
  return true;
}

bool KeyboardSender::StepProgram(int new_value) {
  if (!InRange(new_value)) return false;
  program_ = new_value;
  SendProgram();
  return true;
}

}  // namespace quorvane
