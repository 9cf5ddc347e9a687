#include "midi/midi_output_port.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "support/in_process_midi_service.h"
#include "support/pump.h"

namespace quorvane {
namespace {

using Call = InProcessMidiService::Call;
using ::testing::ElementsAre;

#define EXPECT_PORT_ERROR(statement, text)                     \
  do {                                                         \
    try {                                                      \
      statement;                                               \
      ADD_FAILURE() << "no EmidioutputError from " #statement; \
    } catch (const EmidioutputError& error) {                  \
      EXPECT_STREQ(error.what(), text);                        \
    }                                                          \
  } while (false)

class OutputPortTest : public ::testing::Test {
 protected:
  InProcessMidiService service_{{"Keys In"}, {"Synth", "Drum Machine"}};
};

TEST_F(OutputPortTest, StartsClosedOnDeviceZeroWithoutName) {
  TMidiOutput2 port(service_);
  EXPECT_FALSE(port.IsOpen());
  EXPECT_EQ(port.DeviceID(), 0);
  EXPECT_EQ(port.ProductName(), "");
  EXPECT_EQ(port.Error(), 0);
  EXPECT_EQ(port.DeviceCount(), 2u);
}

TEST_F(OutputPortTest, DeviceIdSelectsDeviceAndNamesIt) {
  TMidiOutput2 port(service_);
  port.SetDeviceID(1);
  EXPECT_EQ(port.ProductName(), "Drum Machine");
  port.SetDeviceID(-1);  // the mapper
  EXPECT_EQ(port.DeviceID(), -1);
  EXPECT_EQ(port.ProductName(), "MIDI Mapper");
  EXPECT_PORT_ERROR(port.SetDeviceID(2), "Invalid device ID");
  EXPECT_EQ(port.DeviceID(), -1);
}

TEST_F(OutputPortTest, DeviceIdCapabilityErrorRaisesServiceText) {
  TMidiOutput2 port(service_);
  service_.FailCall(Call::OutputDeviceCaps, kMidiNoDriver);
  EXPECT_PORT_ERROR(port.SetDeviceID(1), "There is no driver installed on your system.");
  EXPECT_EQ(port.Error(), kMidiNoDriver);
}

TEST_F(OutputPortTest, ProductNameMatchesExactlyOrRaises) {
  TMidiOutput2 port(service_);
  port.SetProductName("Drum Machine");
  EXPECT_EQ(port.DeviceID(), 1);
  EXPECT_EQ(port.ProductName(), "Drum Machine");
  EXPECT_PORT_ERROR(port.SetProductName("drum machine"),
                    "MIDI output Device drum machine not installed");
  EXPECT_PORT_ERROR(port.SetProductName("Nope"), "MIDI output Device Nope not installed");
  EXPECT_EQ(port.DeviceID(), 1);
  port.SetProductName("MIDI Mapper");
  EXPECT_EQ(port.DeviceID(), -1);
}

TEST_F(OutputPortTest, DeviceCannotChangeWhileOpen) {
  TMidiOutput2 port(service_);
  port.SetDeviceID(1);
  ASSERT_TRUE(port.Open());
  EXPECT_PORT_ERROR(port.SetDeviceID(0), "Change to DeviceID while device was open");
  EXPECT_PORT_ERROR(port.SetProductName("Synth"), "Change to ProductName while device was open");
  EXPECT_TRUE(port.IsOpen());
  EXPECT_EQ(port.DeviceID(), 1);
  EXPECT_EQ(port.ProductName(), "Drum Machine");
}

TEST_F(OutputPortTest, FailedOpenIsSilentAndLeavesPortClosed) {
  TMidiOutput2 port(service_);
  service_.FailCall(Call::OutputOpen, kMidiAllocated);
  EXPECT_FALSE(port.Open());
  EXPECT_FALSE(port.IsOpen());
  EXPECT_EQ(port.Error(), kMidiAllocated);
  EXPECT_EQ(service_.OpenHandleCount(), 0u);
  EXPECT_TRUE(port.Open());  // the next try works
}

TEST_F(OutputPortTest, CloseOnClosedPortReturnsFalseAndCallsNothing) {
  TMidiOutput2 port(service_);
  EXPECT_FALSE(port.Close());
  EXPECT_EQ(service_.CallCount(Call::OutputClose), 0);
  ASSERT_TRUE(port.Open());
  EXPECT_TRUE(port.Close());
  EXPECT_FALSE(port.Close());
  EXPECT_EQ(service_.OpenHandleCount(), 0u);
}

TEST_F(OutputPortTest, SendShortHandsPackedWordToService) {
  TMidiOutput2 port(service_);
  ASSERT_TRUE(port.Open());
  port.SendShort(0xB0, 7, 100);
  port.SendShort(0xC3, 5, 0);
  const auto words = service_.ShortsSentTo("Synth");
  ASSERT_EQ(words.size(), 2u);
  EXPECT_EQ(words[0] & 0xFF, 0xB0u);
  EXPECT_EQ((words[0] >> 8) & 0xFF, 0x07u);
  EXPECT_EQ((words[0] >> 16) & 0xFF, 0x64u);
  EXPECT_EQ(words[0] >> 24, 0u);
  EXPECT_EQ(words[1], 0x000005C3u);
}

TEST_F(OutputPortTest, SendShortRefusesBytesThatWouldReadAsStatusAndSendsNothing) {
  const struct {
    std::uint8_t status, data1, data2;
    const char* error;  // nullptr: sent
  } cases[] = {
      {0xB0, 0xC8, 0x7F, "Invalid MIDI data byte 0xC8 in message B0 C8 7F"},
      {0xB0, 0x07, 0x80, "Invalid MIDI data byte 0x80 in message B0 07 80"},
      {0x90, 0xFF, 0xFF, "Invalid MIDI data byte 0xFF in message 90 FF FF"},
      {0xE5, 0x00, 0x90, "Invalid MIDI data byte 0x90 in message E5 00 90"},
      {0xF2, 0x01, 0x81, "Invalid MIDI data byte 0x81 in message F2 01 81"},
      {0xC3, 0x85, 0x00, "Invalid MIDI data byte 0x85 in message C3 85"},
      {0xD0, 0xA0, 0x00, "Invalid MIDI data byte 0xA0 in message D0 A0"},
      {0xF1, 0x80, 0x00, "Invalid MIDI data byte 0x80 in message F1 80"},
      {0x45, 0x01, 0x02, "Invalid MIDI status byte 0x45 in message 45 01 02"},
      {0x00, 0x00, 0x00, "Invalid MIDI status byte 0x00 in message 00 00 00"},
      // Bytes the status does not imply are never sent, so they do not count.
      {0xC3, 0x05, 0xFF, nullptr},
      {0xF3, 0x7F, 0x80, nullptr},
      {0xF8, 0x80, 0xFF, nullptr},
      {0xFE, 0xC8, 0x00, nullptr},
      {0xB0, 0x7F, 0x7F, nullptr},
  };
  TMidiOutput2 port(service_);
  ASSERT_TRUE(port.Open());
  std::size_t sent = 0;
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::Message()
                 << std::hex << int{c.status} << " " << int{c.data1} << " " << int{c.data2});
    if (c.error) {
      EXPECT_PORT_ERROR(port.SendShort(c.status, c.data1, c.data2), c.error);
    } else {
      EXPECT_NO_THROW(port.SendShort(c.status, c.data1, c.data2));
      ++sent;
    }
    EXPECT_EQ(service_.ShortsSentTo("Synth").size(), sent);
  }
  TMyMidiEvent event;
  event.status = 0xB0;
  event.data1 = 0x07;
  event.data2 = 0xC8;
  EXPECT_PORT_ERROR(port.SendEvent(event), "Invalid MIDI data byte 0xC8 in message B0 07 C8");
  EXPECT_EQ(service_.ShortsSentTo("Synth").size(), sent);
}

TEST_F(OutputPortTest, SendOnClosedPortRaisesServiceError) {
  TMidiOutput2 port(service_);
  EXPECT_PORT_ERROR(port.SendShort(0xB0, 1, 2), "The specified device handle is invalid.");
  EXPECT_EQ(port.Error(), kMidiInvalidHandle);
}

TEST_F(OutputPortTest, ServiceErrorsCarryServiceTextOrOutOfRange) {
  TMidiOutput2 port(service_);
  ASSERT_TRUE(port.Open());
  service_.FailCall(Call::OutputShortMessage, kMidiNotReady);
  EXPECT_PORT_ERROR(port.SendShort(0xB0, 1, 2),
                    "The MIDI port is busy. Wait until it is free, and then try again.");
  service_.FailCall(Call::OutputShortMessage, 999);  // a code the service cannot describe
  EXPECT_PORT_ERROR(port.SendShort(0xB0, 1, 2), "Specified error number is out of range");
  EXPECT_EQ(port.Error(), 999);
  service_.SetErrorTextFails(true);
  service_.FailCall(Call::OutputShortMessage, kMidiNotReady);
  EXPECT_PORT_ERROR(port.SendShort(0xB0, 1, 2), "Specified error number is out of range");
  EXPECT_TRUE(port.IsOpen());
  port.SendShort(0xB0, 1, 2);  // the port carries on
  EXPECT_EQ(port.Error(), 0);
}

TEST_F(OutputPortTest, SysexLivesUntilServiceReportsItSent) {
  TMidiOutput2 port(service_);
  int done = 0;
  port.Onmidioutput = [&](TMidiOutput2* sender) {
    EXPECT_EQ(sender, &port);
    ++done;
  };
  ASSERT_TRUE(port.Open());
  service_.HoldOutputDone(true);
  const std::uint8_t dump[] = {0xF0, 0x33, 0x7F, 0x0A, 0xF7};
  port.SendSysex(dump, sizeof dump);
  port.SendSysex(dump, 3);
  EXPECT_EQ(port.SysexInFlight(), 2u);
  testing::PumpPending();
  EXPECT_EQ(done, 0);

  service_.ReleaseOutputDone();
  EXPECT_TRUE(testing::Pump([&] { return done == 2; }));
  EXPECT_EQ(port.SysexInFlight(), 0u);
  EXPECT_THAT(service_.SysexSentTo("Synth"), ElementsAre(ElementsAre(0xF0, 0x33, 0x7F, 0x0A, 0xF7),
                                                         ElementsAre(0xF0, 0x33, 0x7F)));
  EXPECT_EQ(service_.CallCount(Call::OutputUnprepareHeader), 2);
}

TEST_F(OutputPortTest, SysexLengthOutsideRangeIsRefused) {
  TMidiOutput2 port(service_);
  ASSERT_TRUE(port.Open());
  std::vector<std::uint8_t> big(65536, 0x10);
  EXPECT_THROW(port.SendSysex(big.data(), 0), EmidioutputError);
  EXPECT_THROW(port.SendSysex(big.data(), big.size()), EmidioutputError);
  EXPECT_TRUE(service_.SentTo("Synth").empty());
  port.SendSysex(big.data(), 65535);
  ASSERT_EQ(service_.SysexSentTo("Synth").size(), 1u);
  EXPECT_EQ(service_.SysexSentTo("Synth")[0].size(), 65535u);
}

TEST_F(OutputPortTest, RefusedSysexIsNotKept) {
  TMidiOutput2 port(service_);
  ASSERT_TRUE(port.Open());
  const std::uint8_t dump[] = {0xF0, 0xF7};
  service_.FailCall(Call::OutputLongMessage, kMidiNotReady);
  EXPECT_THROW(port.SendSysex(dump, 2), EmidioutputError);
  EXPECT_EQ(port.Error(), kMidiNotReady);
  EXPECT_EQ(port.SysexInFlight(), 0u);
  service_.FailCall(Call::OutputPrepareHeader, kMidiNoMemory);
  EXPECT_THROW(port.SendSysex(dump, 2), EmidioutputError);
  EXPECT_EQ(port.SysexInFlight(), 0u);
}

TEST_F(OutputPortTest, CloseWaitsForEverythingHandedOver) {
  TMidiOutput2 port(service_);
  int done = 0;
  port.Onmidioutput = [&](TMidiOutput2*) { ++done; };
  ASSERT_TRUE(port.Open());
  service_.HoldOutputDone(true);
  const std::uint8_t dump[] = {0xF0, 0x01, 0xF7};
  for (int i = 0; i < 3; ++i) port.SendSysex(dump, sizeof dump);
  port.SendShort(0xB0, 1, 1);

  EXPECT_TRUE(port.Close());
  EXPECT_EQ(service_.CallCount(Call::OutputDrain), 1);
  EXPECT_EQ(done, 3);  // every block finished before Close returned
  EXPECT_EQ(port.SysexInFlight(), 0u);
  EXPECT_EQ(service_.CallCount(Call::OutputUnprepareHeader), 3);
  EXPECT_EQ(service_.OpenHandleCount(), 0u);
  testing::PumpPending();
  EXPECT_EQ(done, 3);  // and nothing fires late
}

TEST_F(OutputPortTest, FailingCloseStillLeavesPortClosed) {
  TMidiOutput2 port(service_);
  ASSERT_TRUE(port.Open());
  service_.FailCall(Call::OutputClose, kMidiError);
  EXPECT_PORT_ERROR(port.Close(), "Undefined external error.");
  EXPECT_FALSE(port.IsOpen());
  EXPECT_FALSE(port.Close());
}

TEST_F(OutputPortTest, SendEventNeedsOpenPortAndPicksShortOrSysex) {
  TMidiOutput2 port(service_);
  TMyMidiEvent note;
  note.status = 0x90;
  note.data1 = 60;
  note.data2 = 0;
  EXPECT_PORT_ERROR(port.SendEvent(note), "MIDI Output device not open");
  ASSERT_TRUE(port.Open());
  port.SendEvent(note);
  TMyMidiEvent dump;
  dump.status = 0xF0;
  dump.sysex_length = 3;
  dump.sysex_data = std::make_unique<std::uint8_t[]>(3);
  dump.sysex_data[0] = 0xF0;
  dump.sysex_data[1] = 0x42;
  dump.sysex_data[2] = 0xF7;
  port.SendEvent(dump);
  const auto sent = service_.SentTo("Synth");
  ASSERT_EQ(sent.size(), 2u);
  EXPECT_FALSE(sent[0].sysex);
  EXPECT_EQ(sent[0].word, PackShortMessage(0x90, 60, 0));
  EXPECT_TRUE(sent[1].sysex);
  EXPECT_THAT(sent[1].bytes, ElementsAre(0xF0, 0x42, 0xF7));
}

TEST_F(OutputPortTest, DeviceThatDisappearsRaisesButCanBeClosed) {
  TMidiOutput2 port(service_);
  ASSERT_TRUE(port.Open());
  service_.RemoveOutputDevice(0);
  EXPECT_PORT_ERROR(port.SendShort(0xB0, 1, 1), "The MIDI device is no longer available.");
  EXPECT_TRUE(port.Close());
  EXPECT_PORT_ERROR(port.SetDeviceID(1), "Invalid device ID");  // one device left
}

TEST_F(OutputPortTest, DestructionClosesOpenDevice) {
  {
    TMidiOutput2 port(service_);
    service_.HoldOutputDone(true);
    ASSERT_TRUE(port.Open());
    const std::uint8_t dump[] = {0xF0, 0xF7};
    port.SendSysex(dump, 2);
  }
  EXPECT_EQ(service_.OpenHandleCount(), 0u);
}

}  // namespace
}  // namespace quorvane
