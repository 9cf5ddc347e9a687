// The RtMidi service and the two ports end to end through a private JACK
// dummy server, against a peer client that records exactly what arrives.
#include <fcntl.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>

#include <QCoreApplication>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <thread>

#include "midi/midi_input_port.h"
#include "midi/midi_output_port.h"
#include "midi/midi_system.h"
#include "midi/rtmidi_service.h"
#include "support/jack_midi_peer.h"
#include "support/jack_server.h"
#include "support/pump.h"
#include "support/temp_dir.h"

namespace quorvane {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using testing::JackMidiPeer;
using testing::JackServer;
using testing::MidiBytes;
using testing::Pump;
using Clock = std::chrono::steady_clock;

int IndexOf(const std::vector<std::string>& list, const std::string& name) {
  const auto it = std::find(list.begin(), list.end(), name);
  return it == list.end() ? -1 : static_cast<int>(it - list.begin());
}

std::vector<std::string> OutputNames(MidiService& service) {
  std::vector<std::string> names;
  const std::uint32_t n = service.OutputDeviceCount();
  for (std::uint32_t i = 0; i < n; ++i) {
    MidiOutputCaps caps;
    EXPECT_EQ(service.OutputDeviceCaps(static_cast<int>(i), caps), kMidiNoError);
    names.push_back(caps.name);
  }
  return names;
}

std::vector<std::string> InputNames(MidiService& service) {
  std::vector<std::string> names;
  const std::uint32_t n = service.InputDeviceCount();
  for (std::uint32_t i = 0; i < n; ++i) {
    MidiInputCaps caps;
    EXPECT_EQ(service.InputDeviceCaps(i, caps), kMidiNoError);
    names.push_back(caps.name);
  }
  return names;
}

// Everything a port's OnMidiInput handler reads, in order.
struct Received {
  std::vector<std::unique_ptr<TMyMidiEvent>> events;
  int overflows = 0;
  void Attach(TMidiInput2& in) {
    in.OnMidiInput = [this](TMidiInput2* port) {
      while (port->PendingCount() > 0) events.push_back(port->ReadEvent());
    };
    in.OnOverflow = [this](TMidiInput2*) { ++overflows; };
  }
};

class JackService : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(server_.start());
    peer_ = std::make_unique<JackMidiPeer>("peer");
    service_ = std::make_unique<RtMidiService>(RtMidiService::Api::Jack);
    ASSERT_TRUE(service_->Available()) << service_->UnavailableReason();
  }

  // An output port on the peer's input.
  std::unique_ptr<TMidiOutput2> OpenOutput() {
    auto out = std::make_unique<TMidiOutput2>(*service_);
    // A new port is listed once the server has switched graphs.
    Pump([&] { return IndexOf(OutputNames(*service_), peer_->inPortName()) >= 0; });
    const int id = IndexOf(OutputNames(*service_), peer_->inPortName());
    EXPECT_GE(id, 0);
    out->SetDeviceID(id);
    EXPECT_TRUE(out->Open()) << "result " << out->Error() << " " << service_->LastDriverError();
    return out;
  }

  // An input port fed by the peer's output, started.
  std::unique_ptr<TMidiInput2> OpenInput(Received& received, std::uint16_t buffer_size = 4096,
                                         std::uint16_t capacity = 1024) {
    auto in = std::make_unique<TMidiInput2>(*service_);
    Pump([&] { return IndexOf(InputNames(*service_), peer_->outPortName()) >= 0; });
    const int id = IndexOf(InputNames(*service_), peer_->outPortName());
    EXPECT_GE(id, 0);
    in->SetDeviceID(static_cast<std::uint16_t>(id));
    in->SetSysexBufferSize(buffer_size);
    in->SetCapacity(capacity);
    received.Attach(*in);
    in->Open();
    EXPECT_TRUE(in->IsOpen());
    in->Start();
    return in;
  }

  JackServer server_;
  std::unique_ptr<JackMidiPeer> peer_;
  std::unique_ptr<RtMidiService> service_;
};

TEST_F(JackService, ListsOtherClientsPortsButNeverItsOwn) {
  auto out = OpenOutput();
  Received received;
  auto in = OpenInput(received);
  const auto outputs = OutputNames(*service_);
  const auto inputs = InputNames(*service_);
  EXPECT_THAT(outputs, ElementsAre(peer_->inPortName()));
  EXPECT_THAT(inputs, ElementsAre(peer_->outPortName()));
  // Yet JACK itself sees our ports, under the client and role names.
  const auto all_inputs = peer_->midiPorts(false);
  EXPECT_EQ(std::count_if(all_inputs.begin(), all_inputs.end(),
                          [](const std::string& n) {
                            return n.rfind("Quorvane", 0) == 0 && n.size() > 10 &&
                                   n.substr(n.size() - 10) == ":MIDI In 1";
                          }),
            1);
  const auto all_outputs = peer_->midiPorts(true);
  EXPECT_EQ(std::count_if(all_outputs.begin(), all_outputs.end(),
                          [](const std::string& n) {
                            return n.rfind("Quorvane", 0) == 0 && n.find(":MIDI Out") != n.npos;
                          }),
            1);
}

TEST_F(JackService, ShortMessageArrivesAsExactlyItsBytes) {
  auto out = OpenOutput();
  out->SendShort(0xB2, 7, 100);
  out->SendShort(0xC3, 5, 99);  // program change: one data byte, the second is not sent
  ASSERT_TRUE(peer_->waitFor(2));
  const auto events = peer_->events();
  ASSERT_EQ(events.size(), 2u);
  EXPECT_THAT(events[0].bytes, ElementsAre(0xB2, 0x07, 0x64));
  EXPECT_THAT(events[1].bytes, ElementsAre(0xC3, 0x05));
}

TEST_F(JackService, SysexArrivesWholeAndTheBlockIsReportedDoneOnce) {
  auto out = OpenOutput();
  int done = 0;
  out->Onmidioutput = [&](TMidiOutput2*) { ++done; };
  const std::uint8_t identity[] = {0xF0, 0x7E, 0x7F, 0x06, 0x01, 0xF7};
  out->SendSysex(identity, sizeof identity);
  ASSERT_TRUE(peer_->waitFor(1));
  EXPECT_THAT(peer_->events()[0].bytes, ElementsAre(0xF0, 0x7E, 0x7F, 0x06, 0x01, 0xF7));
  ASSERT_TRUE(Pump([&] { return done == 1; }));
  EXPECT_EQ(out->SysexInFlight(), 0u);
}

TEST_F(JackService, LongestSysexJackCarriesArrivesAndALongerOneIsRefusedAloud) {
  auto out = OpenOutput();
  MidiBytes longest(RtMidiService::kJackMaxMessage, 0x42);
  longest.front() = 0xF0;
  longest.back() = 0xF7;
  out->SendSysex(longest.data(), longest.size());
  ASSERT_TRUE(peer_->waitFor(1));
  EXPECT_EQ(peer_->events()[0].bytes, longest);

  MidiBytes too_long(RtMidiService::kJackMaxMessage + 1, 0x42);
  too_long.front() = 0xF0;
  too_long.back() = 0xF7;
  try {
    out->SendSysex(too_long.data(), too_long.size());
    FAIL() << "a message JACK cannot carry went without a word";
  } catch (const EmidioutputError& e) {
    EXPECT_THAT(e.what(), HasSubstr("16379"));
  }
}

TEST_F(JackService, ManyMessagesBeyondOneRingFullAllArriveInOrder) {
  // More than RtMidi's 16 KiB output ring holds: the service waits for the
  // process cycle instead of letting RtMidi spin or drop.
  auto out = OpenOutput();
  MidiBytes block(4000, 0x01);
  block.front() = 0xF0;
  block.back() = 0xF7;
  constexpr int kBlocks = 12;
  for (int i = 0; i < kBlocks; ++i) {
    block[1] = static_cast<std::uint8_t>(i);
    out->SendSysex(block.data(), block.size());
    out->SendShort(0xB0, 1, static_cast<std::uint8_t>(i));
  }
  ASSERT_TRUE(peer_->waitFor(2 * kBlocks));
  const auto events = peer_->events();
  for (int i = 0; i < kBlocks; ++i) {
    EXPECT_EQ(events[2 * i].bytes.size(), block.size());
    EXPECT_EQ(events[2 * i].bytes[1], i);
    EXPECT_THAT(events[2 * i + 1].bytes, ElementsAre(0xB0, 1, i));
  }
}

TEST_F(JackService, MessageSentJustBeforeCloseStillArrives) {
  auto out = OpenOutput();
  const std::uint8_t sysex[] = {0xF0, 0x10, 0x20, 0xF7};
  out->SendShort(0x90, 60, 1);
  out->SendSysex(sysex, sizeof sysex);
  out->SendShort(0x90, 60, 0);
  EXPECT_TRUE(out->Close());
  ASSERT_TRUE(peer_->waitFor(3, std::chrono::seconds(2)));
  const auto events = peer_->events();
  EXPECT_THAT(events[0].bytes, ElementsAre(0x90, 60, 1));
  EXPECT_THAT(events[1].bytes, ElementsAre(0xF0, 0x10, 0x20, 0xF7));
  EXPECT_THAT(events[2].bytes, ElementsAre(0x90, 60, 0));
}

TEST_F(JackService, InputDeliversShortAndSysexInArrivalOrder) {
  Received received;
  auto in = OpenInput(received);
  ASSERT_TRUE(peer_->send({{0xB1, 10, 20}, {0xF0, 0x01, 0x02, 0xF7}, {0xF8}, {0xB1, 11, 21}}));
  // The clock byte is dropped on the way in.
  ASSERT_TRUE(Pump([&] { return received.events.size() >= 3; }));
  Pump([] { return false; }, std::chrono::milliseconds(50));
  ASSERT_EQ(received.events.size(), 3u);
  EXPECT_EQ(received.events[0]->status, 0xB1);
  EXPECT_EQ(received.events[0]->data1, 10);
  EXPECT_EQ(received.events[0]->data2, 20);
  EXPECT_EQ(received.events[1]->status, 0xF0);
  ASSERT_EQ(received.events[1]->sysex_length, 4);
  EXPECT_EQ(received.events[1]->sysex_data[3], 0xF7);
  EXPECT_EQ(received.events[2]->data1, 11);
  EXPECT_LE(received.events[0]->timestamp, received.events[2]->timestamp);
}

TEST_F(JackService, SysexLongerThanABufferArrivesSplitInOrderByteForByte) {
  Received received;
  auto in = OpenInput(received, /*buffer_size=*/64);
  MidiBytes sysex(200);
  for (std::size_t i = 0; i < sysex.size(); ++i) sysex[i] = static_cast<std::uint8_t>(i % 128);
  sysex.front() = 0xF0;
  sysex.back() = 0xF7;
  ASSERT_TRUE(peer_->send({sysex, {0xB0, 1, 2}}));
  ASSERT_TRUE(Pump([&] { return received.events.size() >= 5; }));
  ASSERT_EQ(received.events.size(), 5u);
  MidiBytes joined;
  const int sizes[] = {64, 64, 64, 8};
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(received.events[i]->status, 0xF0);
    ASSERT_EQ(received.events[i]->sysex_length, sizes[i]);
    joined.insert(joined.end(), received.events[i]->sysex_data.get(),
                  received.events[i]->sysex_data.get() + received.events[i]->sysex_length);
  }
  EXPECT_EQ(joined, sysex);
  EXPECT_EQ(received.events[4]->status, 0xB0);
  // Every buffer went back to the service: another long one arrives too.
  ASSERT_TRUE(peer_->send({sysex}));
  ASSERT_TRUE(Pump([&] { return received.events.size() >= 9; }));
}

TEST_F(JackService, WithNoBufferQueuedSysexIsNotDeliveredButShortMessagesAre) {
  Received received;
  auto in = std::make_unique<TMidiInput2>(*service_);
  in->SetDeviceID(static_cast<std::uint16_t>(IndexOf(InputNames(*service_), peer_->outPortName())));
  in->SetSysexBufferCount(0);
  received.Attach(*in);
  in->Open();
  in->Start();
  ASSERT_TRUE(peer_->send({{0xF0, 1, 0xF7}, {0xB0, 3, 4}}));
  ASSERT_TRUE(Pump([&] { return !received.events.empty(); }));
  Pump([] { return false; }, std::chrono::milliseconds(50));
  ASSERT_EQ(received.events.size(), 1u);
  EXPECT_EQ(received.events[0]->status, 0xB0);
}

TEST_F(JackService, BurstBeyondTheRingDeliversTheFirstAndCountsTheRest) {
  Received received;
  auto in = OpenInput(received, 4096, /*capacity=*/64);
  std::vector<MidiBytes> burst;
  for (int i = 0; i < 300; ++i)
    burst.push_back({0xB0, static_cast<std::uint8_t>(i % 128), static_cast<std::uint8_t>(i / 128)});
  ASSERT_TRUE(peer_->send(burst));
  ASSERT_TRUE(peer_->waitSent());
  const auto sent = static_cast<int>(burst.size());
  // The GUI thread is busy meanwhile: nothing is read until the whole burst is in.
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  ASSERT_TRUE(
      Pump([&] { return static_cast<int>(received.events.size()) + received.overflows >= sent; }));
  EXPECT_EQ(static_cast<int>(received.events.size()) + received.overflows, sent);
  ASSERT_EQ(received.events.size(), 64u);
  for (std::size_t i = 0; i < received.events.size(); ++i) {
    EXPECT_EQ(received.events[i]->data1, burst[i][1]) << i;
    EXPECT_EQ(received.events[i]->data2, burst[i][2]) << i;
  }
}

TEST_F(JackService, OpeningADeviceThatVanishedFailsSilently) {
  TMidiOutput2 out(*service_);
  TMidiInput2 in(*service_);
  out.SetDeviceID(IndexOf(OutputNames(*service_), peer_->inPortName()));
  in.SetDeviceID(static_cast<std::uint16_t>(IndexOf(InputNames(*service_), peer_->outPortName())));
  peer_.reset();
  EXPECT_FALSE(out.Open());
  EXPECT_FALSE(out.IsOpen());
  in.Open();
  EXPECT_FALSE(in.IsOpen());
}

TEST_F(JackService, ServerDeathIsReportedPromptlyAndPortsWorkAgainAfterRestart) {
  std::vector<std::string> notices;
  service_->SetNoticeHandler([&](const std::string& text) { notices.push_back(text); });
  auto out = OpenOutput();
  Received received;
  auto in = OpenInput(received);

  const auto killed = Clock::now();
  server_.kill();
  ASSERT_TRUE(Pump([&] { return !notices.empty(); }, std::chrono::seconds(2)))
      << "no notice within 2 s of the server's death";
  EXPECT_LT(Clock::now() - killed, std::chrono::seconds(2));
  EXPECT_THAT(notices[0], HasSubstr("JACK server has stopped"));
  EXPECT_FALSE(service_->Available());

  // Sending fails aloud and at once instead of hanging.
  const auto before_send = Clock::now();
  for (int i = 0; i < 2000; ++i) {
    EXPECT_THROW(out->SendShort(0xB0, 1, 2), EmidioutputError);
  }
  const std::uint8_t sysex[] = {0xF0, 1, 0xF7};
  EXPECT_THROW(out->SendSysex(sysex, sizeof sysex), EmidioutputError);
  EXPECT_LT(Clock::now() - before_send, std::chrono::seconds(1));
  const auto before_close = Clock::now();
  out->Close();
  in->Close();
  EXPECT_LT(Clock::now() - before_close, std::chrono::milliseconds(500));
  // Every client of the dead server must close before one of the new one opens.
  peer_.reset();
  ASSERT_TRUE(Pump([&] { return !service_->StillClosing(); }, std::chrono::seconds(3)));

  ASSERT_TRUE(server_.restart());
  peer_ = std::make_unique<JackMidiPeer>("peer");
  ASSERT_TRUE(Pump([&] { return service_->OutputDeviceCount() > 0; }, std::chrono::seconds(2)))
      << service_->UnavailableReason() << " available " << service_->Available() << " peer sees "
      << peer_->midiPorts(false).size();
  EXPECT_TRUE(service_->Notice().empty());
  auto out2 = OpenOutput();
  out2->SendShort(0xB2, 7, 100);
  ASSERT_TRUE(peer_->waitFor(1));
  EXPECT_THAT(peer_->events()[0].bytes, ElementsAre(0xB2, 0x07, 0x64));
  Received again;
  auto in2 = OpenInput(again);
  ASSERT_TRUE(peer_->send({{0xB5, 1, 2}}));
  ASSERT_TRUE(Pump([&] { return !again.events.empty(); }));
  EXPECT_EQ(again.events[0]->status, 0xB5);
}

// A stock JACK client agrees with the peer about what the service sends.
// The stock client is ended by a signal, without closing: an asynchronous server lets it go
// at once.
class JackServiceWithStockClient : public JackService {
 protected:
  void SetUp() override {
    server_.setSynchronous(false);
    JackService::SetUp();
  }
};

TEST_F(JackServiceWithStockClient, StockMidiDumpSeesTheSentBytes) {
  testing::TempDir dir;
  const std::string log = dir.file("dump.txt").toStdString();
  const pid_t dump = fork();
  ASSERT_GE(dump, 0);
  if (dump == 0) {
    const int fd = ::open(log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    dup2(fd, 1);
    execlp("jack_midi_dump", "jack_midi_dump", "-a", static_cast<char*>(nullptr));
    _exit(127);
  }
  ASSERT_TRUE(Pump([&] { return IndexOf(OutputNames(*service_), "midi-monitor:input") >= 0; }))
      << "jack_midi_dump did not register its port";
  TMidiOutput2 out(*service_);
  out.SetDeviceID(IndexOf(OutputNames(*service_), "midi-monitor:input"));
  ASSERT_TRUE(out.Open());
  out.SendShort(0xB2, 7, 100);
  out.Close();
  std::string text;
  Pump(
      [&] {
        FILE* f = std::fopen(log.c_str(), "r");
        if (!f) return false;
        char buffer[4096] = {};
        text.assign(buffer, std::fread(buffer, 1, sizeof buffer - 1, f));
        std::fclose(f);
        return text.find("b2 07 64") != std::string::npos;
      },
      std::chrono::seconds(3));
  ::kill(dump, SIGTERM);
  waitpid(dump, nullptr, 0);
  EXPECT_THAT(text, HasSubstr("b2 07 64"));
}

TEST(JackServiceQuiet, NothingReachesStderrWithOrWithoutAServer) {
  testing::TempDir dir;
  const std::string path = dir.file("stderr.txt").toStdString();
  std::fflush(stderr);
  const int saved = dup(2);
  const int file = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  ASSERT_GE(file, 0);
  dup2(file, 2);
  {
    JackServer server;  // not started: nobody answers
    RtMidiService absent(RtMidiService::Api::Jack);
    EXPECT_FALSE(absent.Available());
    EXPECT_EQ(absent.OutputDeviceCount(), 0u);
    EXPECT_EQ(absent.InputDeviceCount(), 0u);
    MidiHandle handle = kNoMidiHandle;
    EXPECT_NE(absent.OutputOpen(handle, 0, nullptr, nullptr), kMidiNoError);
    ASSERT_TRUE(server.start());
    RtMidiService present(RtMidiService::Api::Jack);
    EXPECT_TRUE(present.Available());
    EXPECT_NE(present.OutputOpen(handle, 5, nullptr, nullptr), kMidiNoError);
    RtMidiService alsa(RtMidiService::Api::Alsa);
    (void)alsa.OutputDeviceCount();
  }
  std::fflush(stderr);
  dup2(saved, 2);
  ::close(saved);
  ::close(file);
  FILE* f = std::fopen(path.c_str(), "r");
  ASSERT_NE(f, nullptr);
  char buffer[512] = {};
  const std::size_t n = std::fread(buffer, 1, sizeof buffer - 1, f);
  std::fclose(f);
  EXPECT_EQ(n, 0u) << buffer;
}

TEST(MidiSystem, FallsBackToJackAndThenToNothingWithOneClearLine) {
  {
    JackServer server;
    ASSERT_TRUE(server.start());
    std::string chosen;
    auto service = CreateMidiService("ALSA", &chosen);
    // This machine has no ALSA sequencer; a running JACK server is taken.
    if (access("/dev/snd/seq", R_OK | W_OK) != 0) {
      EXPECT_EQ(chosen, "JACK");
    }
    EXPECT_TRUE(service->Available());
    EXPECT_EQ(CreateMidiService("JACK", &chosen)->Available(), true);
    EXPECT_EQ(chosen, "JACK");
  }
  if (access("/dev/snd/seq", R_OK | W_OK) == 0) GTEST_SKIP() << "an ALSA sequencer is present";
  std::string chosen = "x";
  auto none = CreateMidiService("JACK", &chosen);
  EXPECT_EQ(chosen, "");
  EXPECT_FALSE(none->Available());
  EXPECT_EQ(none->UnavailableReason(), kNoMidiSystemText);
  EXPECT_EQ(none->OutputDeviceCount(), 0u);
  EXPECT_EQ(none->InputDeviceCount(), 0u);
  TMidiOutput2 out(*none);
  EXPECT_FALSE(out.Open());
}

}  // namespace
}  // namespace quorvane
