#include "midi/midi_input_port.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <array>
#include <thread>
#include <vector>

#include "support/in_process_midi_service.h"
#include "support/pump.h"

namespace quorvane {
namespace {

using Call = InProcessMidiService::Call;
using ::testing::ElementsAre;
using ::testing::ElementsAreArray;

#define EXPECT_INPUT_ERROR(statement, text)                   \
  do {                                                        \
    try {                                                     \
      statement;                                              \
      ADD_FAILURE() << "no EMidiInputError from " #statement; \
    } catch (const EMidiInputError& error) {                  \
      EXPECT_STREQ(error.what(), text);                       \
    }                                                         \
  } while (false)

// Reads everything pending the way the main window's handlers do.
std::vector<std::unique_ptr<TMyMidiEvent>> DrainPort(TMidiInput2& port) {
  std::vector<std::unique_ptr<TMyMidiEvent>> events;
  while (port.PendingCount() > 0) events.push_back(port.ReadEvent());
  return events;
}

class InputPortTest : public ::testing::Test {
 protected:
  // Opens and starts, collecting what OnMidiInput drains.
  void OpenAndStart(TMidiInput2& port) {
    port.OnMidiInput = [this](TMidiInput2* sender) {
      ++input_fired_;
      for (auto& event : DrainPort(*sender)) events_.push_back(std::move(event));
    };
    port.OnOverflow = [this](TMidiInput2*) { ++overflows_; };
    port.Open();
    ASSERT_TRUE(port.IsOpen());
    port.Start();
  }
  // Everything injected so far has passed the callback and the GUI thread has seen it.
  bool Settle(std::size_t events, int overflows = 0) {
    service_.WaitIdle();
    return testing::Pump([&] { return events_.size() >= events && overflows_ >= overflows; });
  }

  InProcessMidiService service_{{"Keys", "Pads"}, {"Synth"}};
  std::vector<std::unique_ptr<TMyMidiEvent>> events_;
  int input_fired_ = 0;
  int overflows_ = 0;
};

TEST_F(InputPortTest, ConstructionSelectsDeviceZeroWithDefaults) {
  TMidiInput2 port(service_);
  EXPECT_FALSE(port.IsOpen());
  EXPECT_EQ(port.DeviceID(), 0);
  EXPECT_EQ(port.ProductName(), "Keys");
  EXPECT_EQ(port.Capacity(), 1024);
  EXPECT_EQ(port.SysexBufferSize(), 4096);
  EXPECT_EQ(port.SysexBufferCount(), 16);
  EXPECT_FALSE(port.SysexOnly());
  EXPECT_EQ(port.Error(), 0);
  EXPECT_EQ(port.DeviceCount(), 2);
  EXPECT_EQ(port.PendingCount(), 0);
  EXPECT_EQ(port.ReadEvent(), nullptr);
}

TEST_F(InputPortTest, NoInputDevicesLeavesEmptyNameWithoutError) {
  InProcessMidiService empty({}, {});
  TMidiInput2 port(empty);
  EXPECT_EQ(port.DeviceID(), 0);
  EXPECT_EQ(port.ProductName(), "");
  EXPECT_EQ(port.DeviceCount(), 0);
  port.Open();  // device 0 does not exist
  EXPECT_FALSE(port.IsOpen());
}

TEST_F(InputPortTest, DeviceSelection) {
  TMidiInput2 port(service_);
  port.SetDeviceID(1);
  EXPECT_EQ(port.ProductName(), "Pads");
  EXPECT_INPUT_ERROR(port.SetDeviceID(2), "Invalid device ID");
  port.SetProductName("Keys");
  EXPECT_EQ(port.DeviceID(), 0);
  EXPECT_INPUT_ERROR(port.SetProductName("keys"), "MIDI Input Device keys not installed ");
  EXPECT_EQ(port.DeviceID(), 0);
  service_.FailCall(Call::InputDeviceCaps, kMidiNoDriver);
  EXPECT_INPUT_ERROR(port.SetDeviceID(1), "There is no driver installed on your system.");
  EXPECT_EQ(port.Error(), kMidiNoDriver);
}

TEST_F(InputPortTest, SettingsThatCannotChangeWhileOpen) {
  TMidiInput2 port(service_);
  port.Open();
  ASSERT_TRUE(port.IsOpen());
  EXPECT_INPUT_ERROR(port.SetDeviceID(1), "Change to DeviceID while device was open");
  EXPECT_INPUT_ERROR(port.SetProductName("Pads"), "Change to ProductName while device was open");
  EXPECT_INPUT_ERROR(port.SetSysexBufferSize(100),
                     "Change to SysexBufferSize while device was open");
  EXPECT_INPUT_ERROR(port.SetSysexBufferCount(2),
                     "Change to SysexBuffercount while device was open");
  EXPECT_EQ(port.DeviceID(), 0);
  EXPECT_EQ(port.SysexBufferSize(), 4096);
  EXPECT_EQ(port.SysexBufferCount(), 16);
  EXPECT_TRUE(port.IsOpen());
  port.Close();
  port.SetSysexBufferCount(2);  // fine once closed
  EXPECT_EQ(port.SysexBufferCount(), 2);
}

TEST_F(InputPortTest, EveryFailingOpenStepLeavesPortClosedSilently) {
  struct Step {
    Call call;
    int skip;
  };
  const Step steps[] = {{Call::InputOpen, 0},
                        {Call::InputPrepareHeader, 0},
                        {Call::InputPrepareHeader, 7},
                        {Call::InputAddBuffer, 0},
                        {Call::InputAddBuffer, 15}};
  for (const Step& step : steps) {
    SCOPED_TRACE(static_cast<int>(step.call) * 100 + step.skip);
    service_.FailCall(step.call, kMidiNoMemory, 1, step.skip);
    TMidiInput2 port(service_);
    EXPECT_NO_THROW(port.Open());
    EXPECT_FALSE(port.IsOpen());
    EXPECT_EQ(port.Error(), kMidiNoMemory);
    EXPECT_EQ(port.SysexBuffers(), 0u);
    EXPECT_EQ(service_.OpenHandleCount(), 0u);
    EXPECT_EQ(service_.QueuedBufferCount(0), 0u);
    port.Open();  // the failure was one-off
    EXPECT_TRUE(port.IsOpen());
    port.Close();
  }
}

TEST_F(InputPortTest, RingThatCannotBeMadeMeansNoOpen) {
  TMidiInput2 port(service_);
  port.SetCapacity(0);
  port.Open();
  EXPECT_FALSE(port.IsOpen());
  port.SetCapacity(kMaxRingCapacity + 1);
  port.Open();
  EXPECT_FALSE(port.IsOpen());
  EXPECT_EQ(service_.CallCount(Call::InputOpen), 0);
}

TEST_F(InputPortTest, ShortMessageArrivesOnGuiThreadAsEvent) {
  TMidiInput2 port(service_);
  std::thread::id fired_on;
  OpenAndStart(port);
  port.OnMidiInput = [&](TMidiInput2* sender) {
    EXPECT_EQ(sender, &port);
    fired_on = std::this_thread::get_id();
    for (auto& event : DrainPort(*sender)) events_.push_back(std::move(event));
  };
  service_.InjectShort(0, PackShortMessage(0xB0, 7, 100), 1234);
  ASSERT_TRUE(Settle(1));
  EXPECT_EQ(fired_on, std::this_thread::get_id());
  const TMyMidiEvent& event = *events_[0];
  EXPECT_EQ(event.status, 0xB0);
  EXPECT_EQ(event.data1, 7);
  EXPECT_EQ(event.data2, 100);
  EXPECT_EQ(event.timestamp, 1234u);
  EXPECT_EQ(event.sysex_length, 0);
  EXPECT_EQ(event.sysex_data, nullptr);
  EXPECT_EQ(port.PendingCount(), 0);
}

TEST_F(InputPortTest, NothingFlowsBeforeStart) {
  TMidiInput2 port(service_);
  port.Open();
  service_.InjectShort(0, PackShortMessage(0xB0, 1, 1));
  service_.WaitIdle();
  testing::PumpPending();
  EXPECT_EQ(port.PendingCount(), 0);
}

TEST_F(InputPortTest, ActiveSensingAndClockAreDropped) {
  TMidiInput2 port(service_);
  OpenAndStart(port);
  service_.InjectShort(0, 0xFE);
  service_.InjectShort(0, 0xF8);
  service_.InjectShort(0, PackShortMessage(0xB1, 2, 3));
  ASSERT_TRUE(Settle(1));
  testing::PumpPending();
  ASSERT_EQ(events_.size(), 1u);
  EXPECT_EQ(events_[0]->status, 0xB1);
}

TEST_F(InputPortTest, SysexOnlySwitchesWhileOpen) {
  TMidiInput2 port(service_);
  OpenAndStart(port);
  port.SetSysexOnly(true);
  service_.InjectShort(0, PackShortMessage(0x90, 60, 100));
  service_.InjectSysex(0, {0xF0, 0x01, 0xF7});
  ASSERT_TRUE(Settle(1));
  port.SetSysexOnly(false);
  service_.InjectShort(0, PackShortMessage(0x90, 61, 100));
  ASSERT_TRUE(Settle(2));
  ASSERT_EQ(events_.size(), 2u);
  EXPECT_EQ(events_[0]->status, 0xF0);
  EXPECT_EQ(events_[1]->status, 0x90);
  EXPECT_EQ(events_[1]->data1, 61);
}

TEST_F(InputPortTest, SysexIsCopiedAndItsBufferRequeued) {
  TMidiInput2 port(service_);
  OpenAndStart(port);
  EXPECT_EQ(service_.QueuedBufferCount(0), 16u);
  const std::vector<std::uint8_t> dump = {0xF0, 0x33, 0x01, 0x02, 0x03, 0x04, 0x05, 0xF7};
  service_.InjectSysex(0, dump);
  ASSERT_TRUE(Settle(1));
  const TMyMidiEvent& event = *events_[0];
  EXPECT_EQ(event.status, 0xF0);
  EXPECT_EQ(event.data1, 0);
  EXPECT_EQ(event.data2, 0);
  ASSERT_EQ(event.sysex_length, dump.size());
  ASSERT_NE(event.sysex_data, nullptr);
  EXPECT_THAT(std::vector<std::uint8_t>(event.sysex_data.get(),
                                        event.sysex_data.get() + event.sysex_length),
              ElementsAreArray(dump));
  EXPECT_EQ(service_.QueuedBufferCount(0), 16u);
}

TEST_F(InputPortTest, EmptySysexBufferGivesEventWithoutData) {
  TMidiInput2 port(service_);
  OpenAndStart(port);
  service_.InjectSysex(0, {});
  ASSERT_TRUE(Settle(1));
  EXPECT_EQ(events_[0]->status, 0xF0);
  EXPECT_EQ(events_[0]->sysex_length, 0);
  EXPECT_EQ(events_[0]->sysex_data, nullptr);
  EXPECT_EQ(service_.QueuedBufferCount(0), 16u);
}

TEST_F(InputPortTest, SysexLongerThanOneBufferArrivesInPieces) {
  TMidiInput2 port(service_);
  port.SetSysexBufferSize(8);
  port.SetSysexBufferCount(4);
  OpenAndStart(port);
  std::vector<std::uint8_t> dump(20);
  for (std::size_t i = 0; i < dump.size(); ++i) dump[i] = static_cast<std::uint8_t>(i);
  dump.front() = 0xF0;
  dump.back() = 0xF7;
  service_.InjectSysex(0, dump);
  ASSERT_TRUE(Settle(3));
  ASSERT_EQ(events_.size(), 3u);
  std::vector<std::uint8_t> joined;
  std::vector<int> lengths;
  for (const auto& event : events_) {
    lengths.push_back(event->sysex_length);
    joined.insert(joined.end(), event->sysex_data.get(),
                  event->sysex_data.get() + event->sysex_length);
  }
  EXPECT_THAT(lengths, ElementsAre(8, 8, 4));
  EXPECT_EQ(joined, dump);
  EXPECT_EQ(service_.QueuedBufferCount(0), 4u);
}

TEST_F(InputPortTest, NoSysexBuffersMeansNoSysexInput) {
  TMidiInput2 port(service_);
  port.SetSysexBufferCount(0);
  OpenAndStart(port);
  EXPECT_EQ(service_.CallCount(Call::InputPrepareHeader), 0);
  service_.InjectSysex(0, {0xF0, 0x01, 0xF7});
  service_.InjectShort(0, PackShortMessage(0xB0, 1, 1));  // a marker behind it
  ASSERT_TRUE(Settle(1));
  testing::PumpPending();
  ASSERT_EQ(events_.size(), 1u);
  EXPECT_EQ(events_[0]->status, 0xB0);
}

TEST_F(InputPortTest, AfterCloseNothingIsReadOrFired) {
  TMidiInput2 port(service_);
  OpenAndStart(port);
  service_.InjectShort(0, PackShortMessage(0xB0, 1, 1));
  service_.InjectSysex(0, {0xF0, 0xF7});
  service_.WaitIdle();  // notices are now waiting for the GUI thread
  ASSERT_EQ(port.PendingCount(), 2);
  port.Close();
  EXPECT_FALSE(port.IsOpen());
  EXPECT_EQ(port.PendingCount(), 0);
  EXPECT_EQ(port.ReadEvent(), nullptr);
  testing::PumpPending();
  EXPECT_EQ(input_fired_, 0);
  EXPECT_EQ(service_.OpenHandleCount(), 0u);
  EXPECT_EQ(service_.CallCount(Call::InputUnprepareHeader), 16);
  EXPECT_EQ(port.SysexBuffers(), 0u);
  port.Close();  // closing again does nothing
  EXPECT_EQ(service_.CallCount(Call::InputReset), 1);
}

TEST_F(InputPortTest, ReopenedPortStartsAfresh) {
  TMidiInput2 port(service_);
  OpenAndStart(port);
  service_.InjectShort(0, PackShortMessage(0xB0, 1, 1));
  service_.WaitIdle();
  port.Close();
  port.Open();
  port.Start();
  EXPECT_EQ(port.PendingCount(), 0);
  service_.InjectShort(0, PackShortMessage(0xB0, 2, 2));
  ASSERT_TRUE(Settle(1));
  testing::PumpPending();
  ASSERT_EQ(events_.size(), 1u);
  EXPECT_EQ(events_[0]->data1, 2);
}

TEST_F(InputPortTest, BurstBeyondCapacityKeepsFirstAndReportsEachDrop) {
  TMidiInput2 port(service_);
  port.SetCapacity(4);
  OpenAndStart(port);
  for (std::uint8_t n = 0; n < 10; ++n) service_.InjectShort(0, PackShortMessage(0xB0, n, 0));
  service_.WaitIdle();  // all ten passed the callback before the GUI thread drains
  ASSERT_TRUE(Settle(4, 6));
  testing::PumpPending();
  EXPECT_EQ(overflows_, 6);
  ASSERT_EQ(events_.size(), 4u);
  for (std::uint8_t n = 0; n < 4; ++n) EXPECT_EQ(events_[n]->data1, n);
}

TEST_F(InputPortTest, DroppedSysexRecordShrinksThePool) {
  TMidiInput2 port(service_);
  port.SetCapacity(1);
  OpenAndStart(port);
  service_.InjectShort(0, PackShortMessage(0xB0, 1, 1));
  service_.InjectSysex(0, {0xF0, 0xF7});
  ASSERT_TRUE(Settle(1, 1));
  EXPECT_EQ(service_.QueuedBufferCount(0), 15u);
}

TEST_F(InputPortTest, FailedRequeueRaisesAndDropsRecord) {
  TMidiInput2 port(service_);
  port.Open();
  port.Start();
  service_.InjectSysex(0, {0xF0, 0xF7});
  service_.InjectShort(0, PackShortMessage(0xB0, 9, 9));
  service_.WaitIdle();
  ASSERT_EQ(port.PendingCount(), 2);
  service_.FailCall(Call::InputAddBuffer, kMidiNotReady);
  EXPECT_INPUT_ERROR(port.ReadEvent(),
                     "The MIDI port is busy. Wait until it is free, and then try again.");
  EXPECT_EQ(port.Error(), kMidiNotReady);
  ASSERT_EQ(port.PendingCount(), 1);
  auto next = port.ReadEvent();
  ASSERT_NE(next, nullptr);
  EXPECT_EQ(next->data1, 9);
}

TEST_F(InputPortTest, StartAndCloseErrorsRaise) {
  TMidiInput2 port(service_);
  port.Start();  // closed: nothing
  EXPECT_EQ(service_.CallCount(Call::InputStart), 0);
  port.Open();
  service_.FailCall(Call::InputStart, kMidiNotReady);
  EXPECT_INPUT_ERROR(port.Start(),
                     "The MIDI port is busy. Wait until it is free, and then try again.");
  service_.FailCall(Call::InputReset, 4711);
  EXPECT_INPUT_ERROR(port.Close(), "Specified error number is out of range");
  EXPECT_FALSE(port.IsOpen());
  port.Open();  // what the failed close left behind is let go first
  EXPECT_TRUE(port.IsOpen());
  EXPECT_EQ(service_.OpenHandleCount(), 1u);
  port.Close();
  EXPECT_EQ(service_.OpenHandleCount(), 0u);
}

TEST_F(InputPortTest, DestructionLetsGoOfDeviceEvenAfterFailedClose) {
  {
    TMidiInput2 port(service_);
    port.Open();
    service_.FailCall(Call::InputClose, kMidiError);
    EXPECT_THROW(port.Close(), EMidiInputError);
    EXPECT_EQ(service_.OpenHandleCount(), 1u);
  }
  EXPECT_EQ(service_.OpenHandleCount(), 0u);
}

TEST_F(InputPortTest, DeviceThatDisappearsStopsInputButClosesCleanly) {
  TMidiInput2 port(service_);
  OpenAndStart(port);
  service_.RemoveInputDevice(0);
  service_.InjectShort(0, PackShortMessage(0xB0, 1, 1));  // now "Pads", not opened
  service_.WaitIdle();
  testing::PumpPending();
  EXPECT_TRUE(events_.empty());
  EXPECT_NO_THROW(port.Close());
  EXPECT_EQ(service_.OpenHandleCount(), 0u);
}

// Sequence number n as a control change: channel from tag, n in data1/data2.
std::uint32_t Numbered(std::uint8_t tag, int n) {
  return PackShortMessage(static_cast<std::uint8_t>(0xB0 | tag),
                          static_cast<std::uint8_t>(n & 0x7F),
                          static_cast<std::uint8_t>((n >> 7) & 0x7F));
}

struct FloodResult {
  std::vector<int> delivered;
  int overflowed = 0;
  bool wrong_channel = false;
};

void Follow(TMidiInput2& port, std::uint8_t tag, FloodResult& result) {
  port.SetCapacity(64);  // small, so that a flood really overflows
  port.OnMidiInput = [&result, tag](TMidiInput2* sender) {
    for (auto& event : DrainPort(*sender)) {
      if ((event->status & 0x0F) != tag) result.wrong_channel = true;
      result.delivered.push_back(event->data1 | event->data2 << 7);
    }
  };
  port.OnOverflow = [&result](TMidiInput2*) { ++result.overflowed; };
  port.Open();
  port.Start();
}

void ExpectAllAccountedInOrder(const FloodResult& result, int sent) {
  EXPECT_FALSE(result.wrong_channel);
  EXPECT_EQ(static_cast<int>(result.delivered.size()) + result.overflowed, sent);
  EXPECT_TRUE(std::is_sorted(result.delivered.begin(), result.delivered.end()));
  EXPECT_EQ(std::adjacent_find(result.delivered.begin(), result.delivered.end()),
            result.delivered.end());
  EXPECT_GE(result.delivered.size(), 64u);  // at least the first ring-full arrives
  if (!result.delivered.empty()) {
    EXPECT_EQ(result.delivered.front(), 0);
  }
}

// What a full ring turned away, as TakeDroppedControlChanges gives it.
std::vector<std::array<int, 3>> TakeDropped(TMidiInput2& port) {
  std::vector<std::array<int, 3>> taken;
  port.TakeDroppedControlChanges([&taken](std::uint8_t s, std::uint8_t c, std::uint8_t v) {
    taken.push_back({s, c, v});
  });
  return taken;
}

TEST_F(InputPortTest, AFullRingKeepsTheLastTurnedAwayValueOfEachController) {
  TMidiInput2 port(service_);
  port.SetCapacity(4);
  port.Open();
  port.Start();
  for (int v = 1; v <= 6; ++v) service_.InjectShort(0, PackShortMessage(0xB0, 7, v));
  service_.InjectShort(0, PackShortMessage(0xB0, 8, 9));
  service_.InjectShort(0, PackShortMessage(0xB1, 7, 11));
  service_.InjectShort(0, PackShortMessage(0x90, 60, 100));  // not a control change
  service_.WaitIdle();
  EXPECT_EQ(DrainPort(port).size(), 4u);
  using Taken = std::vector<std::array<int, 3>>;
  EXPECT_EQ(TakeDropped(port), (Taken{{0xB0, 7, 6}, {0xB0, 8, 9}, {0xB1, 7, 11}}));
  EXPECT_TRUE(TakeDropped(port).empty()) << "each is given once";
}

TEST_F(InputPortTest, AControlChangeThatGetsInLaterReplacesOneTurnedAway) {
  TMidiInput2 port(service_);
  port.SetCapacity(2);
  port.Open();
  port.Start();
  service_.InjectShort(0, PackShortMessage(0xB0, 7, 1));
  service_.InjectShort(0, PackShortMessage(0xB0, 7, 2));
  service_.InjectShort(0, PackShortMessage(0xB0, 7, 3));  // turned away
  service_.WaitIdle();
  ASSERT_TRUE(port.ReadEvent());
  service_.InjectShort(0, PackShortMessage(0xB0, 7, 4));  // room again: newer than 3
  service_.WaitIdle();
  const auto events = DrainPort(port);
  ASSERT_EQ(events.size(), 2u);
  EXPECT_EQ(events[1]->data2, 4);
  EXPECT_TRUE(TakeDropped(port).empty()) << "3 is older than the 4 that was read";
}

TEST_F(InputPortTest, FloodIsDeliveredOrCountedAsOverflowInOrder) {
  constexpr int kSent = 10000;
  TMidiInput2 port(service_);
  FloodResult result;
  Follow(port, 3, result);
  std::thread flood([&] {
    for (int n = 0; n < kSent; ++n) service_.InjectShort(0, Numbered(3, n));
  });
  ASSERT_TRUE(testing::Pump(
      [&] { return static_cast<int>(result.delivered.size()) + result.overflowed == kSent; },
      std::chrono::seconds(10)));
  flood.join();
  ExpectAllAccountedInOrder(result, kSent);
}

TEST_F(InputPortTest, TwoInputsFloodedAtOnceStayApart) {
  constexpr int kSent = 10000;
  TMidiInput2 keys(service_);
  TMidiInput2 pads(service_);
  pads.SetDeviceID(1);
  FloodResult from_keys, from_pads;
  Follow(keys, 1, from_keys);
  Follow(pads, 2, from_pads);
  std::thread flood_keys([&] {
    for (int n = 0; n < kSent; ++n) service_.InjectShort(0, Numbered(1, n));
  });
  std::thread flood_pads([&] {
    for (int n = 0; n < kSent; ++n) service_.InjectShort(1, Numbered(2, n));
  });
  const auto total = [](const FloodResult& r) {
    return static_cast<int>(r.delivered.size()) + r.overflowed;
  };
  ASSERT_TRUE(testing::Pump([&] { return total(from_keys) == kSent && total(from_pads) == kSent; },
                            std::chrono::seconds(10)));
  flood_keys.join();
  flood_pads.join();
  ExpectAllAccountedInOrder(from_keys, kSent);
  ExpectAllAccountedInOrder(from_pads, kSent);
}

}  // namespace
}  // namespace quorvane
