#include "midi/midi_message.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

#include "midi/port_names.h"
#include "midi/port_notifier.h"
#include "support/pump.h"

namespace quorvane {
namespace {

std::vector<std::uint8_t> BytesOf(std::uint32_t word) {
  return {static_cast<std::uint8_t>(word), static_cast<std::uint8_t>(word >> 8),
          static_cast<std::uint8_t>(word >> 16), static_cast<std::uint8_t>(word >> 24)};
}

TEST(ShortMessage, PacksLowestByteFirstAndUnpacksBack) {
  const std::uint32_t word = PackShortMessage(0xB2, 7, 100);
  EXPECT_EQ(BytesOf(word), (std::vector<std::uint8_t>{0xB2, 0x07, 0x64, 0x00}));
  std::uint8_t status = 0, data1 = 0, data2 = 0;
  UnpackShortMessage(word, status, data1, data2);
  EXPECT_EQ(status, 0xB2);
  EXPECT_EQ(data1, 7);
  EXPECT_EQ(data2, 100);
}

TEST(ShortMessage, TopByteStaysZeroAndUnpackIgnoresIt) {
  EXPECT_EQ(PackShortMessage(0xFF, 0xFF, 0xFF), 0x00FFFFFFu);
  std::uint8_t status = 0, data1 = 0, data2 = 0;
  UnpackShortMessage(0xAA123456u, status, data1, data2);
  EXPECT_EQ(status, 0x56);
  EXPECT_EQ(data1, 0x34);
  EXPECT_EQ(data2, 0x12);
}

TEST(MyMidiHdr, AllocatesZeroFilledBlockAndPointsHeaderAtIt) {
  TMyMidiHdr hdr(300);
  ASSERT_NE(hdr.Header(), nullptr);
  EXPECT_EQ(hdr.Header()->data, hdr.Data());
  EXPECT_EQ(hdr.Header()->buffer_length, 300u);
  EXPECT_EQ(hdr.Header()->bytes_recorded, 0u);
  for (int i = 0; i < 300; ++i) ASSERT_EQ(hdr.Data()[i], 0) << i;
  TMyMidiHdr empty(0);
  EXPECT_EQ(empty.Header(), nullptr);
  EXPECT_EQ(empty.Data(), nullptr);
}

TMidiRingRecord Record(std::uint32_t n) {
  return {n, n * 10, nullptr};
}

std::vector<std::uint32_t> DrainStamps(TMidiEventRing& ring) {
  std::vector<std::uint32_t> stamps;
  TMidiRingRecord record;
  while (RingPeek(ring, record)) {
    stamps.push_back(record.timestamp);
    EXPECT_EQ(record.short_message, record.timestamp * 10);
    EXPECT_TRUE(RingRemove(ring));
  }
  return stamps;
}

TEST(Ring, CapacityThreeRefusesFourthAndWrapsAround) {
  auto ring = RingCreate(3);
  ASSERT_TRUE(ring);
  EXPECT_TRUE(RingPut(*ring, Record(1)));
  EXPECT_TRUE(RingPut(*ring, Record(2)));
  EXPECT_TRUE(RingPut(*ring, Record(3)));
  EXPECT_FALSE(RingPut(*ring, Record(4)));
  EXPECT_EQ(ring->Count(), 3);

  TMidiRingRecord oldest;
  ASSERT_TRUE(RingPeek(*ring, oldest));
  EXPECT_EQ(oldest.timestamp, 1u);  // the refused put overwrote nothing
  ASSERT_TRUE(RingRemove(*ring));
  EXPECT_TRUE(RingPut(*ring, Record(5)));  // goes into the first slot again
  EXPECT_FALSE(RingPut(*ring, Record(6)));
  EXPECT_EQ(DrainStamps(*ring), (std::vector<std::uint32_t>{2, 3, 5}));

  // A few more laps keep arrival order.
  for (std::uint32_t n = 10; n < 20; n += 2) {
    ASSERT_TRUE(RingPut(*ring, Record(n)));
    ASSERT_TRUE(RingPut(*ring, Record(n + 1)));
    EXPECT_EQ(DrainStamps(*ring), (std::vector<std::uint32_t>{n, n + 1}));
  }
}

TEST(Ring, PeekAndRemoveOnEmptyRingFail) {
  auto ring = RingCreate(2);
  ASSERT_TRUE(ring);
  TMidiRingRecord record{77, 88, nullptr};
  EXPECT_FALSE(RingPeek(*ring, record));
  EXPECT_EQ(record.timestamp, 77u);  // untouched
  EXPECT_FALSE(RingRemove(*ring));
  ASSERT_TRUE(RingPut(*ring, Record(1)));
  ASSERT_TRUE(RingRemove(*ring));
  EXPECT_FALSE(RingRemove(*ring));
  EXPECT_EQ(ring->Count(), 0);
}

TEST(Ring, CapacityLimits) {
  EXPECT_FALSE(RingCreate(0));
  EXPECT_FALSE(RingCreate(kMaxRingCapacity + 1));
  auto largest = RingCreate(kMaxRingCapacity);
  ASSERT_TRUE(largest);
  for (std::uint32_t n = 0; n < kMaxRingCapacity; ++n) ASSERT_TRUE(RingPut(*largest, Record(n)));
  EXPECT_FALSE(RingPut(*largest, Record(0)));
}

TEST(Ring, OneProducerThreadOneConsumerKeepOrder) {
  auto ring = RingCreate(16);
  ASSERT_TRUE(ring);
  // A thousand times round the ring. A side that must wait yields, so that the two take turns
  // on a loaded machine instead of spinning out each other's time slices.
  constexpr std::uint32_t kCount = 16000;
  std::atomic<bool> stop{false};
  std::thread producer([&] {
    for (std::uint32_t n = 0; n < kCount && !stop.load();) {
      if (RingPut(*ring, Record(n)))
        ++n;
      else
        std::this_thread::yield();
    }
  });
  // Everything is looked at after the join: a failed assertion must not leave a thread behind.
  std::vector<std::uint32_t> out_of_order;
  std::uint32_t expected = 0;
  auto idle_since = std::chrono::steady_clock::now();
  TMidiRingRecord record;
  while (expected < kCount) {
    if (!RingPeek(*ring, record)) {
      // A ring that stops giving records up must not hang the test.
      if (std::chrono::steady_clock::now() - idle_since > std::chrono::seconds(10)) break;
      std::this_thread::yield();
      continue;
    }
    if (record.timestamp != expected || record.short_message != expected * 10)
      out_of_order.push_back(expected);
    if (!RingRemove(*ring)) break;
    ++expected;
    idle_since = std::chrono::steady_clock::now();
  }
  stop.store(true);
  producer.join();
  EXPECT_EQ(expected, kCount) << "records taken out of the ring";
  EXPECT_TRUE(out_of_order.empty())
      << out_of_order.size() << " records out of order, the first at " << out_of_order.front();
  EXPECT_EQ(ring->Count(), 0);
}

// The callback against a real notifier, dispatched by hand.
class DriverCallbackTest : public ::testing::Test {
 protected:
  DriverCallbackTest() {
    ring_ = RingCreate(3);
    block_.ring = ring_.get();
    block_.window = &window_;
    window_.on_data_ready = [this] { ++data_ready_; };
    window_.on_overflow = [this] { ++overflow_; };
    window_.on_send_done = [this](MidiBufferHeader* h) { done_.push_back(h); };
  }
  void Call(MidiCallbackMessage message, std::uintptr_t p1, std::uintptr_t p2 = 0) {
    DriverCallback(1, message, &block_, p1, p2);
  }

  PortNotifier window_;
  std::unique_ptr<TMidiEventRing> ring_;
  TDriverCallbackBlock block_;
  int data_ready_ = 0;
  int overflow_ = 0;
  std::vector<MidiBufferHeader*> done_;
};

TEST_F(DriverCallbackTest, ShortMessageBecomesRecordAndOneNotice) {
  Call(MidiCallbackMessage::InputData, PackShortMessage(0xB0, 7, 100), 1234);
  window_.Dispatch();
  EXPECT_EQ(data_ready_, 1);
  TMidiRingRecord record;
  ASSERT_TRUE(RingPeek(*ring_, record));
  EXPECT_EQ(record.timestamp, 1234u);
  EXPECT_EQ(record.short_message, PackShortMessage(0xB0, 7, 100));
  EXPECT_EQ(record.header, nullptr);
}

TEST_F(DriverCallbackTest, ActiveSensingAndClockNeverReachTheRing) {
  Call(MidiCallbackMessage::InputData, 0xFE);
  Call(MidiCallbackMessage::InputData, 0xF8);
  window_.Dispatch();
  EXPECT_EQ(ring_->Count(), 0);
  EXPECT_EQ(data_ready_, 0);
  // Only the exact words: a clock byte with data is something else and passes.
  Call(MidiCallbackMessage::InputData, 0x01F8);
  EXPECT_EQ(ring_->Count(), 1);
}

TEST_F(DriverCallbackTest, SysexOnlyDropsShortMessagesButKeepsBuffers) {
  block_.sysex_only = 1;
  MidiBufferHeader header;
  Call(MidiCallbackMessage::InputData, PackShortMessage(0x90, 60, 1));
  Call(MidiCallbackMessage::InputLongData, reinterpret_cast<std::uintptr_t>(&header), 5);
  Call(MidiCallbackMessage::InputLongError, reinterpret_cast<std::uintptr_t>(&header), 6);
  ASSERT_EQ(ring_->Count(), 2);
  TMidiRingRecord record;
  ASSERT_TRUE(RingPeek(*ring_, record));
  EXPECT_EQ(record.header, &header);
  EXPECT_EQ(record.short_message, 0u);
  EXPECT_EQ(record.timestamp, 5u);
}

TEST_F(DriverCallbackTest, FullRingPostsOneOverflowPerDroppedRecord) {
  for (std::uint32_t n = 0; n < 7; ++n) Call(MidiCallbackMessage::InputData, 0x90 + n, n);
  window_.Dispatch();
  EXPECT_EQ(data_ready_, 3);
  EXPECT_EQ(overflow_, 4);
  TMidiRingRecord record;
  ASSERT_TRUE(RingPeek(*ring_, record));
  EXPECT_EQ(record.timestamp, 0u);  // the oldest stays
}

TEST_F(DriverCallbackTest, OutputDonePostsHeadersInOrder) {
  MidiBufferHeader first, second;
  Call(MidiCallbackMessage::OutputDone, reinterpret_cast<std::uintptr_t>(&first));
  Call(MidiCallbackMessage::OutputDone, reinterpret_cast<std::uintptr_t>(&second));
  window_.Dispatch();
  EXPECT_EQ(done_, (std::vector<MidiBufferHeader*>{&first, &second}));
  EXPECT_EQ(ring_->Count(), 0);
}

TEST_F(DriverCallbackTest, OtherMessagesAndMissingRingAreIgnored) {
  Call(MidiCallbackMessage::InputOpen, 0);
  Call(MidiCallbackMessage::InputError, PackShortMessage(0xB0, 1, 1));
  Call(MidiCallbackMessage::InputMoreData, PackShortMessage(0xB0, 1, 1));
  Call(MidiCallbackMessage::OutputClose, 0);
  block_.ring = nullptr;
  Call(MidiCallbackMessage::InputData, PackShortMessage(0xB0, 1, 1));
  window_.Dispatch();
  EXPECT_EQ(ring_->Count(), 0);
  EXPECT_EQ(data_ready_ + overflow_, 0);
  EXPECT_TRUE(done_.empty());
  DriverCallback(1, MidiCallbackMessage::InputData, nullptr, 0x90, 0);  // no block: no crash
}

TEST(PortNotifierTest, NoticesFromAnotherThreadWakeTheEventLoop) {
  PortNotifier window;
  int fired = 0;
  window.on_data_ready = [&] { ++fired; };
  std::thread poster([&] {
    for (int i = 0; i < 5; ++i) window.PostDataReady();
  });
  poster.join();
  EXPECT_EQ(fired, 0);  // never on the posting thread
  EXPECT_TRUE(testing::Pump([&] { return fired == 5; }));
}

TEST(PortNotifierTest, DiscardForgetsPendingNotices) {
  PortNotifier window;
  int fired = 0;
  window.on_data_ready = [&] { ++fired; };
  window.on_overflow = [&] { ++fired; };
  window.PostDataReady();
  window.PostOverflow();
  window.Discard();
  testing::PumpPending();
  window.Dispatch();
  EXPECT_EQ(fired, 0);
}

TEST(ShortMessageLengthTest, CountsTheBytesEachStatusCarries) {
  struct Case {
    std::uint8_t status;
    std::size_t length;
  };
  for (const Case& c : {Case{0x00, 0}, Case{0x7F, 0}, Case{0x80, 3}, Case{0xB5, 3}, Case{0xC0, 2},
                        Case{0xDF, 2}, Case{0xE0, 3}, Case{0xF0, 0}, Case{0xF1, 2}, Case{0xF2, 3},
                        Case{0xF3, 2}, Case{0xF4, 0}, Case{0xF6, 1}, Case{0xF7, 0}, Case{0xF8, 1},
                        Case{0xF9, 0}, Case{0xFD, 0}, Case{0xFE, 1}, Case{0xFF, 1}}) {
    EXPECT_EQ(ShortMessageLength(c.status), c.length) << int{c.status};
  }
}

TEST(PortNamesTest, AskedForNamesFirstAndNeverTwoAlike) {
  PortNames names;
  names.SetNext("Remote In");
  EXPECT_EQ(names.Take(false), "Remote In");
  EXPECT_EQ(names.Take(false), "MIDI In 1");
  names.SetNext("MIDI In 1");  // taken: the next free one instead
  EXPECT_EQ(names.Take(false), "MIDI In 3");
  EXPECT_EQ(names.Take(true), "MIDI Out");
  EXPECT_EQ(names.Take(true), "MIDI Out 2");
  names.GiveBack("MIDI Out");
  EXPECT_EQ(names.Take(true), "MIDI Out");
}

}  // namespace
}  // namespace quorvane
