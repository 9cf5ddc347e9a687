#pragma once

#include <cstdint>
#include <functional>
#include <optional>

namespace quorvane {

// What a learned control change puts into the settings dialog's lists: the controller entry
// and the channel entry (0 "Global" when the message came on the global channel).
struct LearnedController {
  int ctrl = 0;
  int channel_entry = 0;
  bool operator==(const LearnedController&) const = default;
};

// A control change (status 0xB0..0xBF) gives its controller and its channel, or "Global" when
// that channel is the global one; any other message teaches nothing.
std::optional<LearnedController> LearnFromMessage(std::uint8_t status, std::uint8_t data1,
                                                  int global_channel);

// Where learned messages come from: the first MIDI input, as the layer that owns it offers it.
class ControlChangeSource {
 public:
  using Taker = std::function<void(std::uint8_t status, std::uint8_t data1, std::uint8_t data2)>;
  virtual ~ControlChangeSource() = default;
  // The next control change goes to `taker` instead of being followed; empty stops waiting.
  virtual void TakeNextControlChange(Taker taker) = 0;
  virtual int LearnGlobalChannel() const = 0;
};

// One learning at a time, for the slider's or the button's controller list.
class ControllerLearner {
 public:
  enum class Target : std::uint8_t { kNone, kSlider, kButton };
  using Learned = std::function<void(Target, const LearnedController&)>;

  ControllerLearner() = default;
  ~ControllerLearner() { Cancel(); }
  ControllerLearner(const ControllerLearner&) = delete;
  ControllerLearner& operator=(const ControllerLearner&) = delete;

  // Null: nothing can be learned. A learning under way is cancelled.
  void SetSource(ControlChangeSource* source);
  bool HasSource() const { return source_ != nullptr; }
  // Waits for the next control change for `target`; `learned` gets it, once. Another
  // learning under way ends first. False without a source.
  bool Begin(Target target, Learned learned);
  void Cancel();
  Target Learning() const { return target_; }

 private:
  void Take(std::uint8_t status, std::uint8_t data1);

  ControlChangeSource* source_ = nullptr;
  Target target_ = Target::kNone;
  Learned learned_;
};

}  // namespace quorvane
