// The buffer-header rules the MIDI services share.
#include <gtest/gtest.h>

#include <array>
#include <cstdint>

#include "midi/midi_service.h"

namespace quorvane {
namespace {

TEST(BufferHeader, GoesThroughPrepareHoldReleaseUnprepareAndRefusesOutOfTurn) {
  std::array<std::uint8_t, 4> bytes{};
  MidiBufferHeader header;
  header.data = bytes.data();
  header.buffer_length = 4;
  EXPECT_EQ(HeaderReady(header), kMidiUnprepared);
  ASSERT_EQ(PrepareHeader(header), kMidiNoError);
  ASSERT_EQ(HeaderReady(header), kMidiNoError);
  HoldHeader(header);
  EXPECT_EQ(HeaderReady(header), kMidiStillPlaying);  // not twice
  EXPECT_EQ(UnprepareHeader(header), kMidiStillPlaying);
  ReleaseHeader(header);
  EXPECT_EQ(header.flags & kMidiHeaderDone, kMidiHeaderDone);
  ASSERT_EQ(HeaderReady(header), kMidiNoError);  // may go again
  HoldHeader(header);
  EXPECT_EQ(header.flags & kMidiHeaderDone, 0u);
  UnholdHeader(header);  // the service could not take it
  EXPECT_EQ(UnprepareHeader(header), kMidiNoError);
  EXPECT_EQ(HeaderReady(header), kMidiUnprepared);
}

TEST(BufferHeader, ALengthWithoutDataCannotBePrepared) {
  MidiBufferHeader header;
  header.buffer_length = 10;
  EXPECT_EQ(PrepareHeader(header), kMidiInvalidParam);
  EXPECT_EQ(header.flags & kMidiHeaderPrepared, 0u);
}

}  // namespace
}  // namespace quorvane
