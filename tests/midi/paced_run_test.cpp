// Where the JACK client puts the messages of a paced run on the frame clock.
#include <gtest/gtest.h>

#include <chrono>
#include <optional>
#include <tuple>
#include <vector>

#include "midi/jack_service_detail.h"

namespace quorvane {
namespace {

using jack_detail::PacedRun;
using std::chrono::microseconds;
using std::chrono::milliseconds;
using ms = milliseconds;

constexpr jack_nframes_t kRate = 48000;
constexpr jack_nframes_t kPeriod = 64;

// One message: how long after the run's first it is due, its own frame by the server's clock
// (relative to the first's), and where the cycle under way began (likewise).
struct Step {
  microseconds due;
  std::int64_t own;
  std::int64_t begun;
};

std::vector<std::int64_t> Placed(const std::vector<Step>& steps, jack_nframes_t rate = kRate) {
  PacedRun run;
  const auto t0 = PacedRun::Clock::time_point{} + std::chrono::hours(1);
  constexpr jack_nframes_t kBase = 4'294'960'000u;  // the 32-bit frame clock wraps mid-run
  std::vector<std::int64_t> placed;
  for (const Step& s : steps) {
    const jack_nframes_t frame = run.Place(t0 + s.due, static_cast<jack_nframes_t>(kBase + s.own),
                                           static_cast<jack_nframes_t>(kBase + s.begun), rate);
    placed.push_back(static_cast<std::int32_t>(frame - kBase));
  }
  return placed;
}

TEST(PacedRun, KeepsTheSpacingOfTheDueMomentsWhileTheServerClockWobbles) {
  // Own frames off by a few frames either way, as libjack's estimate is between cycles.
  const auto placed = Placed({{milliseconds(0), 256, 0},
                              {milliseconds(5), 240 + 256 + 7, 256},
                              {milliseconds(10), 480 + 256 - 5, 512},
                              {milliseconds(15), 720 + 256 + 3, 768}});
  EXPECT_EQ(placed, (std::vector<std::int64_t>{256, 496, 736, 976}));
}

TEST(PacedRun, TrailsTheServerByTheTimeItLostRatherThanSqueezeAGap) {
  // A late cycle cost the server 3 ms: the own frame of the third message comes 144 early.
  const auto placed = Placed({{milliseconds(0), 256, 0},
                              {milliseconds(5), 496, 256},
                              {milliseconds(10), 736 - 144, 448},
                              {milliseconds(15), 976 - 144, 704}});
  EXPECT_EQ(placed, (std::vector<std::int64_t>{256, 496, 736, 976}));
  // A skipped cycle passed the second's frame by 24: it goes at once, not a lead later.
  const auto skipped = Placed({{ms(0), 256, 0}, {ms(5), 700, 520}, {ms(10), 900, 700}});
  EXPECT_EQ(skipped, (std::vector<std::int64_t>{256, 520, 760}));
}

TEST(PacedRun, SpacingInFramesDoesNotDriftWhenAMessageGapIsNotAWholeFrame) {
  // 5 ms at 44.1 kHz is 220.5 frames: rounding each gap would drift 120 frames over the run.
  std::vector<Step> steps;
  for (int i = 0; i < 240; ++i)
    steps.push_back({milliseconds(5 * i), 200 + (i * 441 + 1) / 2, (i * 441 + 1) / 2});
  const auto placed = Placed(steps, 44100);
  EXPECT_EQ(placed.back() - placed.front(), 52'700);  // 1.195 s at 44.1 kHz, to the frame
}

// Each case: a run of two messages, the second of which must start the run over at its own
// frame (or the cycle under way, when that frame has passed).
struct Restart {
  const char* what;
  Step second;
  std::int64_t want;
};

class PacedRunRestart : public ::testing::TestWithParam<Restart> {};

TEST_P(PacedRunRestart, StartsOverWhereTheServerIs) {
  const Restart& r = GetParam();
  const auto placed = Placed({{milliseconds(0), 256, 0}, r.second});
  EXPECT_EQ(placed[1], r.want) << r.what;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, PacedRunRestart,
    ::testing::Values(
        // The sender fell so far behind that the run's frame has passed.
        Restart{"frame passed", {milliseconds(5), 2000, 1600}, 2000},
        Restart{"own frame passed too", {milliseconds(5), 1500, 1600}, 1600},
        // The server lost more than a second: it has all but stopped.
        Restart{"trailing too far", {milliseconds(5), 496 - 48'100, 256 - 48'100}, 496 - 48'100},
        // A pause longer than a second, or a new walk due before the last message.
        Restart{"long pause", {milliseconds(1500), 72'256 + 30, 72'000}, 72'286},
        Restart{"due earlier", {milliseconds(-5), 300, 100}, 300}),
    [](const auto& info) { return "case" + std::to_string(info.index); });

// A paced message keeps its gap to the one before (at 200 of a cycle at 0) in the buffers written,
// whatever the clock says (512: read a cycle ahead). The next cycle's start, the message's frame
// and gap, its offset there.
TEST(PacedPlacer, KeepsTheGapInTheBuffersWritten) {
  constexpr jack_nframes_t kBase = 4'294'967'000u;  // the frame clock wraps
  const std::tuple<int, int, jack_nframes_t, std::optional<jack_nframes_t>> cases[] = {
      {256, 440, 240, 184}, {512, 440, 240, 184}, {256, 300, 400, {}}};
  for (const auto& [start, frame, gap, offset] : cases) {
    jack_detail::PacedPlacer placer;
    bool late = false;
    placer.Begin(kBase, 256);
    placer.Wrote(*placer.Place(kBase + 200, 0, 0, late));
    placer.Begin(kBase + start, 256);
    EXPECT_EQ(placer.Place(kBase + frame, gap, 0, late), offset) << start << " " << gap;
  }
}

}  // namespace
}  // namespace quorvane
