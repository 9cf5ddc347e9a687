#include "surface/controller_learning.h"

#include <utility>

namespace quorvane {

std::optional<LearnedController> LearnFromMessage(std::uint8_t status, std::uint8_t data1,
                                                  int global_channel) {
  if ((status & 0xF0) != 0xB0) return std::nullopt;
  const int channel = (status & 0x0F) + 1;
  return LearnedController{data1 & 0x7F, channel == global_channel ? 0 : channel};
}

void ControllerLearner::SetSource(ControlChangeSource* source) {
  Cancel();
  source_ = source;
}

bool ControllerLearner::Begin(Target target, Learned learned) {
  Cancel();
  if (!source_ || target == Target::kNone) return false;
  target_ = target;
  learned_ = std::move(learned);
  source_->TakeNextControlChange(
      [this](std::uint8_t status, std::uint8_t data1, std::uint8_t) { Take(status, data1); });
  return true;
}

void ControllerLearner::Cancel() {
  if (target_ == Target::kNone) return;
  target_ = Target::kNone;
  learned_ = {};
  if (source_) source_->TakeNextControlChange({});
}

void ControllerLearner::Take(std::uint8_t status, std::uint8_t data1) {
  const std::optional<LearnedController> learned =
      LearnFromMessage(status, data1, source_->LearnGlobalChannel());
  if (!learned || target_ == Target::kNone) return;
  const Target target = std::exchange(target_, Target::kNone);
  // Moved out first: the callback may begin the next learning.
  const Learned done = std::exchange(learned_, {});
  if (done) done(target, *learned);
}

}  // namespace quorvane
