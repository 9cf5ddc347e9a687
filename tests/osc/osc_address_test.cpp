#include "osc/osc_address.h"

#include <gtest/gtest.h>

#include <limits>
#include <vector>

namespace quorvane {
namespace {

using T = OscTarget;

// Each address reads exactly one int or float in its range; everything else is refused whole.
TEST(OscAddress, ReadsEachAddressAndRefusesWhatItCannotApplyWhole) {
  struct Case {
    const char* path;
    std::vector<OscArgument> args;
    std::optional<OscCommand> want;
  };
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const Case cases[] = {
      {"/quorvane/slot/5", {{'i', 100}}, OscCommand{T::kSlot, 5, 100, false}},
      {"/quorvane/slot/24", {{'f', 1.0}}, OscCommand{T::kSlot, 24, 127, true}},
      {"/quorvane/slot/1", {{'f', 0.5}}, OscCommand{T::kSlot, 1, 64, true}},
      {"/quorvane/slot/25", {{'i', 1}}, std::nullopt},
      {"/quorvane/slot/0", {{'i', 1}}, std::nullopt},
      {"/quorvane/slot/05", {{'i', 1}}, std::nullopt},
      {"/quorvane/slot/5x", {{'i', 1}}, std::nullopt},
      {"/quorvane/slot/", {{'i', 1}}, std::nullopt},
      {"/quorvane/slot", {{'i', 1}}, std::nullopt},
      {"/quorvane/slot/5", {{'i', 128}}, std::nullopt},
      {"/quorvane/slot/5", {{'i', -1}}, std::nullopt},
      {"/quorvane/slot/5", {{'f', 1.01}}, std::nullopt},
      {"/quorvane/slot/5", {{'f', nan}}, std::nullopt},
      {"/quorvane/slot/5", {{'s', 0}}, std::nullopt},
      {"/quorvane/slot/5", {}, std::nullopt},
      {"/quorvane/slot/5", {{'i', 1}, {'i', 2}}, std::nullopt},
      {"/quorvane/button/3", {{'i', 1}}, OscCommand{T::kButton, 3, 127, false}},
      {"/quorvane/button/3", {{'f', 0.4}}, OscCommand{T::kButton, 3, 0, true}},
      {"/quorvane/button/3", {{'i', 64}}, std::nullopt},
      {"/quorvane/page", {{'i', 5}}, OscCommand{T::kPage, 0, 5, false}},
      {"/quorvane/page", {{'f', 2.0}}, OscCommand{T::kPage, 0, 2, true}},
      {"/quorvane/page", {{'f', 2.5}}, std::nullopt},
      {"/quorvane/page", {{'i', 6}}, std::nullopt},
      {"/quorvane/page/2", {{'i', 2}}, std::nullopt},
      {"/quorvane/definition/120", {{'i', 0}}, OscCommand{T::kDefinition, 120, 0, false}},
      {"/quorvane/definition/121", {{'i', 0}}, std::nullopt},
      {"/quorvane/snapshot", {{'i', 9}}, OscCommand{T::kSnapshot, 0, 9, false}},
      {"/quorvane/snapshot", {{'i', 10}}, std::nullopt},
      {"/quorvane/take", {{'i', 1}}, OscCommand{T::kTake, 0, 1, false}},
      {"/quorvane/take", {{'i', 2}}, std::nullopt},
      {"/quorvane/bank", {{'i', 4}}, OscCommand{T::kBank, 0, 4, false}},
      {"/quorvane/bank", {{'i', 0}}, std::nullopt},
      {"/quorvane/morph", {{'i', 127}}, OscCommand{T::kMorph, 0, 127, false}},
      {"/quorvane/morphs", {{'i', 1}}, std::nullopt},
      {"/other/slot/5", {{'i', 1}}, std::nullopt},
      {"/quorvane/slot/5/", {{'i', 1}}, std::nullopt},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.path);
    EXPECT_EQ(ParseOscMessage(k.path, k.args), k.want);
  }
}

}  // namespace
}  // namespace quorvane
