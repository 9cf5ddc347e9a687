// The MIDI byte-stream parser, and how an input of the RtMidi service turns what it parses
// into driver callbacks and filled buffers; no MIDI system needed.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "midi/midi_byte_parser.h"
#include "midi/rtmidi_service_detail.h"

namespace quorvane {
namespace {

using Bytes = std::vector<std::uint8_t>;
using ::testing::ElementsAreArray;

// Writes what the sink hears as text: "B0 07 64" for a message, "[F0 01 02" for sysex bytes,
// "]" for a complete end and "|" for one cut off.
struct Log final : MidiByteParser::Sink {
  std::vector<std::string> items;
  static std::string Hex(std::uint8_t b) {
    static const char* digits = "0123456789ABCDEF";
    return {digits[b >> 4], digits[b & 15]};
  }
  void Message(std::uint32_t word) override {
    std::string text = Hex(static_cast<std::uint8_t>(word));
    const std::size_t n = ShortBytes(static_cast<std::uint8_t>(word));
    for (std::size_t i = 1; i < n; ++i) text += " " + Hex(static_cast<std::uint8_t>(word >> 8 * i));
    items.push_back(text);
  }
  void SysexBytes(const std::uint8_t* bytes, std::size_t size) override {
    std::string text = "[";
    for (std::size_t i = 0; i < size; ++i) text += (i ? " " : "") + Hex(bytes[i]);
    items.push_back(text);
  }
  void SysexEnd(bool complete) override { items.push_back(complete ? "]" : "|"); }
  static std::size_t ShortBytes(std::uint8_t status) {
    if (status >= 0xF8 || status == 0xF6) return 1;
    if ((status & 0xF0) == 0xC0 || (status & 0xF0) == 0xD0 || status == 0xF1 || status == 0xF3)
      return 2;
    return 3;
  }
};

struct ParseCase {
  const char* name;
  std::vector<Bytes> pieces;  // fed one call each
  std::vector<std::string> heard;
};

TEST(MidiByteParser, SplitsAStreamAsAnInstrumentWould) {
  const ParseCase cases[] = {
      {"short messages", {{0xB0, 7, 100, 0xC3, 5, 0xE0, 0, 64}}, {"B0 07 64", "C3 05", "E0 00 40"}},
      {"running status", {{0x90, 60, 1, 61, 2, 62}, {3}}, {"90 3C 01", "90 3D 02", "90 3E 03"}},
      {"a message split over calls", {{0xB0}, {7}, {100}}, {"B0 07 64"}},
      {"complete sysex", {{0xF0, 1, 2, 0xF7, 0xB0, 1, 2}}, {"[F0 01 02 F7", "]", "B0 01 02"}},
      {"sysex cut by a control change",
       {{0xF0, 1, 2}, {0xB0, 7, 100}},
       {"[F0 01 02", "|", "B0 07 64"}},
      {"sysex cut within one piece, running status after",
       {{0xF0, 1, 2, 0xB0, 7, 100, 8, 9}},
       {"[F0 01 02", "|", "B0 07 64", "B0 08 09"}},
      {"sysex cut by another sysex", {{0xF0, 5, 0xF0, 6, 0xF7}}, {"[F0 05", "|", "[F0 06 F7", "]"}},
      {"sysex cut by system common", {{0xF0, 5, 0xF2, 1, 2}}, {"[F0 05", "|", "F2 01 02"}},
      {"real time inside a sysex and across pieces",
       {{0xF0, 1, 0xF8, 2}, {3, 0xFE}, {0xF7}},
       {"[F0 01", "F8", "[02", "[03", "FE", "[F7", "]"}},
      {"real time inside a short message keeps it whole",
       {{0x90, 60, 0xF8, 1, 61, 0xFA, 2}},
       {"F8", "90 3C 01", "FA", "90 3D 02"}},
      {"system common ends running status", {{0x90, 1, 2, 0xF6, 3, 4}}, {"90 01 02", "F6"}},
      {"stray data, F7 and undefined bytes carry nothing",
       {{5, 6, 0xF7, 7, 0xF4, 8, 0xF5, 9, 0xF1, 0x10}},
       {"F1 10"}},
      {"a new status drops an unfinished message", {{0xB0, 7, 0x90, 1, 2}}, {"90 01 02"}},
      {"F7 alone ends a sysex", {{0xF0}, {0xF7}}, {"[F0", "[F7", "]"}},
  };
  for (const ParseCase& c : cases) {
    SCOPED_TRACE(c.name);
    MidiByteParser parser;
    Log log;
    for (const Bytes& piece : c.pieces) parser.Feed(piece.data(), piece.size(), log);
    EXPECT_THAT(log.items, ElementsAreArray(c.heard));
  }
}

TEST(MidiByteParser, ResetForgetsAMessageUnderWay) {
  MidiByteParser parser;
  Log log;
  const Bytes first = {0xF0, 1, 2};
  parser.Feed(first.data(), first.size(), log);
  EXPECT_TRUE(parser.InSysex());
  parser.Reset();
  EXPECT_FALSE(parser.InSysex());
  const Bytes second = {3, 0xF7, 0x90, 1};
  parser.Feed(second.data(), second.size(), log);
  parser.Reset();
  const Bytes third = {2, 0xC0, 4};
  parser.Feed(third.data(), third.size(), log);
  EXPECT_THAT(log.items, ElementsAreArray({"[F0 01 02", "C0 04"}));
}

// What the driver callback of one input was told.
struct Call {
  MidiCallbackMessage message;
  Bytes bytes;  // a short message's bytes, or the header's recorded bytes
  const MidiBufferHeader* header = nullptr;
};
std::vector<Call> calls;

void Record(MidiHandle, MidiCallbackMessage message, void*, std::uintptr_t p1, std::uintptr_t) {
  Call call{message, {}, nullptr};
  if (message == MidiCallbackMessage::InputData) {
    call.bytes = {static_cast<std::uint8_t>(p1), static_cast<std::uint8_t>(p1 >> 8),
                  static_cast<std::uint8_t>(p1 >> 16)};
  } else {
    const auto* header = reinterpret_cast<const MidiBufferHeader*>(p1);
    call.header = header;
    call.bytes.assign(header->data, header->data + header->bytes_recorded);
  }
  calls.push_back(call);
}

class ServiceInput : public ::testing::Test {
 protected:
  void SetUp() override {
    calls.clear();
    in_.callback = &Record;
    in_.running.store(true);
  }
  MidiBufferHeader* Queue(std::size_t size) {
    auto& data = data_.emplace_back(size);
    auto& header = headers_.emplace_back();
    header.data = data.data();
    header.buffer_length = static_cast<std::uint32_t>(size);
    header.flags = kMidiHeaderPrepared | kMidiHeaderInQueue;
    EXPECT_TRUE(in_.Push(&header));
    return &header;
  }
  void Feed(const Bytes& bytes) { in_.Deliver(bytes.data(), bytes.size()); }

  RtMidiService::Input in_;
  std::deque<Bytes> data_;
  std::deque<MidiBufferHeader> headers_;
};

constexpr auto kData = MidiCallbackMessage::InputData;
constexpr auto kLong = MidiCallbackMessage::InputLongData;
constexpr auto kBroken = MidiCallbackMessage::InputLongError;

TEST_F(ServiceInput, CutSysexIsHandedBackAsBrokenAndTheNextMessageFollows) {
  Queue(16);
  Queue(16);
  Feed({0xF0, 1, 2});
  EXPECT_TRUE(calls.empty());  // the sysex may go on in the next event
  Feed({0xB0, 7, 100, 0xF0, 3, 0xF7});
  ASSERT_EQ(calls.size(), 3u);
  EXPECT_EQ(calls[0].message, kBroken);
  EXPECT_EQ(calls[0].bytes, (Bytes{0xF0, 1, 2}));
  EXPECT_TRUE(calls[0].header->flags & kMidiHeaderDone);
  EXPECT_FALSE(calls[0].header->flags & kMidiHeaderInQueue);
  EXPECT_EQ(calls[1].message, kData);
  EXPECT_EQ(calls[1].bytes, (Bytes{0xB0, 7, 100}));
  EXPECT_EQ(calls[2].message, kLong);
  EXPECT_EQ(calls[2].bytes, (Bytes{0xF0, 3, 0xF7}));
}

TEST_F(ServiceInput, LongSysexFillsBufferAfterBufferAndOnlyTheLastSaysHowItEnded) {
  struct Case {
    const char* name;
    Bytes tail;
    MidiCallbackMessage last;
  };
  const Case cases[] = {{"ended by F7", {9, 0xF7}, kLong}, {"cut off", {9, 0x80, 1, 2}, kBroken}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    calls.clear();
    for (int i = 0; i < 3; ++i) Queue(4);
    Feed({0xF0, 1, 2});
    Feed({3, 4, 0xF8, 5, 6, 7, 8});  // exactly two buffers so far
    Feed(c.tail);
    ASSERT_GE(calls.size(), 4u);
    EXPECT_EQ(calls[0].message, kLong);
    EXPECT_EQ(calls[0].bytes, (Bytes{0xF0, 1, 2, 3}));
    EXPECT_EQ(calls[1].message, kData);  // the clock in stream order, not after the sysex
    EXPECT_EQ(calls[1].bytes.front(), 0xF8);
    EXPECT_EQ(calls[2].message, kLong);
    EXPECT_EQ(calls[2].bytes, (Bytes{4, 5, 6, 7}));
    EXPECT_EQ(calls[3].message, c.last);
    EXPECT_EQ(calls[3].bytes.front(), 8);
  }
}

TEST_F(ServiceInput, SysexThatFitsExactlyTakesOneBuffer) {
  Queue(4);
  Queue(4);
  Feed({0xF0, 1, 2, 0xF7});
  ASSERT_EQ(calls.size(), 1u);
  EXPECT_EQ(calls[0].message, kLong);
  EXPECT_EQ(calls[0].bytes, (Bytes{0xF0, 1, 2, 0xF7}));
  EXPECT_EQ(in_.tail.load() - in_.head.load(), 1u);
}

TEST_F(ServiceInput, WithoutABufferTheSysexIsLostAndCountedAndShortMessagesStillGo) {
  Queue(2);
  Feed({0xF0, 1, 2, 3, 0xF7, 0xB0, 1, 2, 0xF0, 4, 0x90, 5, 6});
  ASSERT_EQ(calls.size(), 3u);
  EXPECT_EQ(calls[0].message, kLong);  // the part that had room
  EXPECT_EQ(calls[0].bytes, (Bytes{0xF0, 1}));
  EXPECT_EQ(calls[1].bytes, (Bytes{0xB0, 1, 2}));
  EXPECT_EQ(calls[2].bytes, (Bytes{0x90, 5, 6}));
  EXPECT_EQ(in_.filler.Lost(), 2u);
}

TEST_F(ServiceInput, HandingBackGivesThePartlyFilledBufferFirstAndForgetsTheSysex) {
  Queue(8);
  Queue(8);
  Feed({0xF0, 1, 2});
  in_.running.store(false);
  in_.HandBack();
  ASSERT_EQ(calls.size(), 2u);
  EXPECT_EQ(calls[0].message, kLong);
  EXPECT_EQ(calls[0].bytes, (Bytes{0xF0, 1, 2}));
  EXPECT_EQ(calls[1].message, kLong);
  EXPECT_TRUE(calls[1].bytes.empty());
  EXPECT_FALSE(in_.filler.Filling());
  calls.clear();
  Queue(8);
  in_.running.store(true);
  Feed({3, 0xF7, 0xB0, 1, 2});  // the rest of the old sysex means nothing now
  ASSERT_EQ(calls.size(), 1u);
  EXPECT_EQ(calls[0].bytes, (Bytes{0xB0, 1, 2}));
}

}  // namespace
}  // namespace quorvane
