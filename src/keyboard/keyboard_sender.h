#pragma once

#include <cstdint>
#include <functional>

namespace quorvane {

// What the MIDI keyboard window sends, and when: every message goes on the global channel and
// only while an output is in use. The list entries "1".."128" are bank and program 0..127.
class KeyboardSender {
 public:
  // Hands one short message to the output; false when the output refused it.
  using ShortSender = std::function<bool(std::uint8_t, std::uint8_t, std::uint8_t)>;
  using ChannelSource = std::function<int()>;
  using OutputSource = std::function<bool()>;

  static constexpr int kLastEntry = 127;
  static constexpr std::uint8_t kAllNotesOff = 123;
  static constexpr std::uint8_t kBankSelectLsb = 32;

  KeyboardSender(ShortSender send, ChannelSource global_channel, OutputSource output_in_use);

  void NoteOn(int note, int velocity);
  // A note on with velocity 0.
  void NoteOff(int note);
  void Panic();

  int Bank() const { return bank_; }
  int Program() const { return program_; }
  // The user chose an entry of a list: the bank goes out followed at once by the program.
  void ChooseBank(int index);
  void ChooseProgram(int index);
  // An up-down button asks for a new position; outside 0..127 nothing changes or goes out
  // (no wrap). True when the position was taken.
  bool StepBank(int new_value);
  bool StepProgram(int new_value);

 private:
  bool Send(int status_base, int data1, int data2);
  void SendProgram();
  void SendBank();
  static bool InRange(int v) { return v >= 0 && v <= kLastEntry; }

  ShortSender send_;
  ChannelSource global_channel_;
  OutputSource output_in_use_;
  int bank_ = 0;
  int program_ = 0;
};

}  // namespace quorvane
