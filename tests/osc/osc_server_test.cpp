#include "osc/osc_server.h"

#include <gtest/gtest.h>
#include <lo/lo_lowlevel.h>

#include <QRandomGenerator>
#include <algorithm>
#include <string>
#include <vector>

#include "bridge/surface_control.h"
#include "snapshots/snapshot_store.h"
#include "support/pump.h"
#include "surface/surface_model.h"

namespace quorvane {
namespace {

using testing::PumpPending;

constexpr OscEndpoint kA{0x7F000001, 9001};
constexpr OscEndpoint kB{0x7F000001, 9002};
constexpr OscEndpoint kFixed{0x7F000001, 9100};

// One datagram the server sent, read back: "port path value" with the value's type tag.
std::string Read(OscEndpoint to, std::span<const std::uint8_t> datagram) {
  std::vector<std::uint8_t> copy(datagram.begin(), datagram.end());
  lo_message m = lo_message_deserialise(copy.data(), copy.size(), nullptr);
  if (!m) return "garbage";
  std::string out = std::to_string(to.port) + " " + lo_get_path(copy.data(), copy.size()) + " ";
  const char type = lo_message_get_types(m)[0];
  lo_arg* a = lo_message_get_argv(m)[0];
  out += type == 'i' ? "i " + std::to_string(a->i) : "f " + std::to_string(a->f);
  lo_message_free(m);
  return out;
}

class OscServerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    model.MutablePages().Initialize();
    model.SetOutputInUse(true);
    model.SetShortSender([this](std::uint8_t, std::uint8_t, std::uint8_t) {
      ++midi_sent;
      return true;
    });
    model.ShowPage(1);
    server.SetClock([this] { return now; });
    server.SetSender(
        [this](OscEndpoint to, std::span<const std::uint8_t> d) { sent.push_back(Read(to, d)); });
    PumpPending();
  }

  void Receive(OscEndpoint from, const std::string& path, int value, bool as_float = false) {
    const std::vector<std::uint8_t> d = OscDatagram(path, value, as_float, 127);
    server.HandleDatagram(d, from);
    PumpPending();
    server.FlushFeedback();
  }

  SurfaceModel model;
  SnapshotStore store{model};
  SurfaceControl control{model, store};
  OscServer server{control, control};
  std::chrono::steady_clock::time_point now{};
  std::vector<std::string> sent;
  int midi_sent = 0;
};

// A move reaches every other client in the form it last sent, and the fixed target as ints;
// the client that made it hears nothing of it.
TEST_F(OscServerTest, FeedbackGoesToEveryoneButTheMoverInTheirOwnForm) {
  ASSERT_TRUE(server.SetFeedbackTarget(QStringLiteral("127.0.0.1"), kFixed.port).isEmpty());
  Receive(kB, "/quorvane/slot/1", 127, true);  // B speaks floats; slot 1 is at 127 already
  Receive(kA, "/quorvane/slot/5", 100);
  EXPECT_EQ(sent, (std::vector<std::string>{"9002 /quorvane/slot/5 f 0.787402",
                                            "9100 /quorvane/slot/5 i 100"}));
  sent.clear();
  model.FollowMessage(0xB0, 5, 9);  // the program's own change reaches the mover too
  PumpPending();
  server.FlushFeedback();
  EXPECT_EQ(sent.size(), 3u);
  sent.clear();
  Receive(kA, "/quorvane/page", 2);
  ASSERT_EQ(model.CurrentPage(), 2);
  EXPECT_EQ(sent.size(), 2u + 3u * kSlotCount);  // the page to B and fixed, every slot to all
  EXPECT_EQ(std::count(sent.begin(), sent.end(), "9001 /quorvane/page i 2"), 0);
  sent.clear();
  Receive(kB, "/quorvane/bank", 3);
  EXPECT_EQ(sent, (std::vector<std::string>{"9002 /quorvane/bank i 3", "9001 /quorvane/bank i 3",
                                            "9100 /quorvane/bank i 3"}));
  EXPECT_EQ(server.Counts().applied, 4);
}

// Clients heard from long ago, and over the rate, are left out.
TEST_F(OscServerTest, SilentClientsExpireAndFloodsAreCut) {
  Receive(kA, "/quorvane/slot/2", 1);
  now += kOscClientLifetime;
  Receive(kB, "/quorvane/slot/3", 1);
  EXPECT_TRUE(sent.empty());  // A has gone silent
  for (int i = 0; i < kOscMessagesPerSecond + 10; ++i) Receive(kB, "/quorvane/slot/3", i % 128);
  EXPECT_EQ(server.Counts().limited, 10);
  now += std::chrono::seconds(1);
  Receive(kB, "/quorvane/slot/3", 1);
  EXPECT_EQ(server.Counts().limited, 10);
}

// Garbage of every kind changes nothing and sends nothing, and is counted.
TEST_F(OscServerTest, GarbageChangesNothing) {
  const SurfaceState before = control.State();
  const std::vector<std::uint8_t> good = OscDatagram("/quorvane/slot/5", 100, false, 127);
  std::vector<std::vector<std::uint8_t>> garbage;
  for (std::size_t n = 0; n < good.size(); ++n)
    garbage.emplace_back(good.begin(), good.begin() + n);
  std::vector<std::uint8_t> tag = good;
  tag[21] = 's';  // ",i" becomes ",s": the int's bytes read as a string
  garbage.push_back(tag);
  garbage.push_back(OscDatagram("/quorvane/slot/5", 100, false, 127));
  garbage.back()[21] = 'f';  // the right length, the wrong type
  garbage.back()[24] = 0x7F;
  garbage.back()[25] = 0xC0;  // a NaN
  auto* random = QRandomGenerator::global();
  for (int i = 0; i < 2000; ++i) {
    std::vector<std::uint8_t> d(4 * random->bounded(1, 40));
    for (auto& b : d) b = static_cast<std::uint8_t>(random->bounded(256));
    if (i % 2) d[0] = '/';
    garbage.push_back(d);
  }
  for (const auto& d : garbage) server.HandleDatagram(d, kA);
  PumpPending();
  EXPECT_EQ(control.State(), before);
  EXPECT_EQ(midi_sent, 0);
  EXPECT_EQ(server.Counts().applied, 0);
  EXPECT_EQ(server.Counts().ignored, static_cast<int>(garbage.size()));
}

TEST_F(OscServerTest, APortInUseIsToldPlainly) {
  ASSERT_TRUE(server.Listen(0).isEmpty());
  OscServer other{control, control};
  EXPECT_TRUE(other.Listen(server.Port()).contains(QStringLiteral("in use")));
  EXPECT_FALSE(other.Listening());
}

}  // namespace
}  // namespace quorvane
