// The native JACK service and the two ports end to end through a private dummy server, against a
// peer client that records exactly what arrives: what comes in, and how the service meets a
// device or server that goes away.
#include <fcntl.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>

#include <QCoreApplication>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <thread>

#include "midi/jack_service.h"
#include "midi/midi_input_port.h"
#include "midi/midi_output_port.h"
#include "midi/midi_system.h"
#include "midi/rtmidi_service.h"
#include "support/device_names.h"
#include "support/jack_midi_peer.h"
#include "support/jack_server.h"
#include "support/pump.h"
#include "support/temp_dir.h"

namespace quorvane {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using testing::IndexOf;
using testing::InputNames;
using testing::JackMidiPeer;
using testing::JackServer;
using testing::MidiBytes;
using testing::OutputNames;
using testing::Pump;
using Clock = std::chrono::steady_clock;

// Waits (a few seconds at most) for the peer to have recorded n events; says what is missing.
::testing::AssertionResult PeerReceives(const JackMidiPeer& peer, std::size_t n, const char* what) {
  if (peer.waitFor(n)) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << "the peer received " << peer.count() << " of " << n
                                       << " events: " << what << " did not arrive";
}

// Everything a port's OnMidiInput handler reads, in order. While held, the handler reads
// nothing, as a GUI thread busy elsewhere would not.
struct Received {
  std::vector<std::unique_ptr<TMyMidiEvent>> events;
  int overflows = 0;
  bool hold = false;
  void Attach(TMidiInput2& in) {
    in.OnMidiInput = [this](TMidiInput2* port) {
      if (!hold) Read(*port);
    };
    in.OnOverflow = [this](TMidiInput2*) { ++overflows; };
  }
  void Read(TMidiInput2& port) {
    while (port.PendingCount() > 0) events.push_back(port.ReadEvent());
  }
};

class JackPorts : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(server_.start());
    peer_ = std::make_unique<JackMidiPeer>("peer");
    // Connected ahead, as the program does at start.
    service_ = JackService::ConnectingAhead("Quorvane", "");
    service_->Settle();
    ASSERT_TRUE(service_->Available()) << service_->UnavailableReason();
  }

  // The device numbers of a port; a new port is listed once the server has switched graphs.
  int OutputId(const std::string& port) {
    const bool listed = Pump([&] { return IndexOf(OutputNames(*service_), port) >= 0; });
    EXPECT_TRUE(listed) << port << " was never listed as an output";
    return IndexOf(OutputNames(*service_), port);
  }
  int InputId(const std::string& port) {
    const bool listed = Pump([&] { return IndexOf(InputNames(*service_), port) >= 0; });
    EXPECT_TRUE(listed) << port << " was never listed as an input";
    return IndexOf(InputNames(*service_), port);
  }

  // An output port on the peer's input.
  std::unique_ptr<TMidiOutput2> OpenOutput() {
    auto out = std::make_unique<TMidiOutput2>(*service_);
    const int id = OutputId(peer_->inPortName());
    out->SetDeviceID(id);
    EXPECT_TRUE(out->Open()) << "result " << out->Error();
    return out;
  }

  // An input port fed by the peer's output, started.
  std::unique_ptr<TMidiInput2> OpenInput(Received& received, std::uint16_t buffer_size = 4096,
                                         std::uint16_t capacity = 1024) {
    auto in = std::make_unique<TMidiInput2>(*service_);
    const int id = InputId(peer_->outPortName());
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
  std::unique_ptr<JackService> service_;
};

TEST_F(JackPorts, InputDeliversShortAndSysexInArrivalOrder) {
  Received received;
  auto in = OpenInput(received);
  ASSERT_TRUE(peer_->send({{0xB1, 10, 20}, {0xF0, 0x01, 0x02, 0xF7}, {0xF8}, {0xB1, 11, 21}}));
  // The clock byte is dropped on the way in.
  ASSERT_TRUE(Pump([&] { return received.events.size() >= 3; }))
      << "the port read " << received.events.size() << " of 3 events the peer sent";
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

// A sysex without F7 ends at the next status byte that is not real-time: what came before
// arrives as the sysex, the new message as itself, promptly.
TEST_F(JackPorts, UnterminatedSysexEndsAtTheNextStatusAndInputFollowsOn) {
  struct Case {
    const char* name;
    std::vector<MidiBytes> sent;  // JACK events
    std::vector<MidiBytes> want;  // what the port reads: sysex bytes or a short message
  };
  const Case cases[] = {
      {"separate events",
       {{0xF0, 0x01, 0x02}, {0xB0, 0x07, 0x64}},
       {{0xF0, 1, 2}, {0xB0, 7, 0x64}}},
      {"one event", {{0xF0, 0x01, 0x02, 0xB0, 0x07, 0x64}}, {{0xF0, 1, 2}, {0xB0, 7, 0x64}}},
      {"running status after the cut",
       {{0xF0, 0x01, 0x90, 0x40, 0x7F, 0x41, 0x00}},
       {{0xF0, 1}, {0x90, 0x40, 0x7F}, {0x90, 0x41, 0x00}}},
      {"a new sysex ends the last",
       {{0xF0, 0x05}, {0xF0, 0x06, 0xF7}},
       {{0xF0, 5}, {0xF0, 6, 0xF7}}},
      {"real-time inside a sysex spanning events",
       {{0xF0, 0x01}, {0xFA}, {0x02, 0xF7}, {0xB1, 1, 2}},
       {{0xFA, 0, 0}, {0xF0, 1, 2, 0xF7}, {0xB1, 1, 2}}},
  };
  Received received;
  auto in = OpenInput(received);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::size_t from = received.events.size();
    ASSERT_TRUE(peer_->send(c.sent));
    const bool all = Pump([&] { return received.events.size() >= from + c.want.size(); },
                          std::chrono::seconds(3));
    ASSERT_TRUE(all) << "of " << c.want.size() << " messages the port read "
                     << received.events.size() - from
                     << " within 3 s: the message after the unterminated sysex did not arrive";
    Pump([] { return false; }, std::chrono::milliseconds(30));
    ASSERT_EQ(received.events.size(), from + c.want.size());
    for (std::size_t i = 0; i < c.want.size(); ++i) {
      const TMyMidiEvent& e = *received.events[from + i];
      const MidiBytes& w = c.want[i];
      if (w[0] == 0xF0) {
        ASSERT_EQ(e.status, 0xF0) << i;
        EXPECT_EQ(MidiBytes(e.sysex_data.get(), e.sysex_data.get() + e.sysex_length), w) << i;
      } else {
        EXPECT_EQ((MidiBytes{e.status, e.data1, e.data2}), w) << i;
      }
    }
  }
}

TEST_F(JackPorts, SysexLongerThanABufferArrivesSplitInOrderByteForByte) {
  Received received;
  auto in = OpenInput(received, /*buffer_size=*/64);
  MidiBytes sysex(200);
  for (std::size_t i = 0; i < sysex.size(); ++i) sysex[i] = static_cast<std::uint8_t>(i % 128);
  sysex.front() = 0xF0;
  sysex.back() = 0xF7;
  ASSERT_TRUE(peer_->send({sysex, {0xB0, 1, 2}}));
  ASSERT_TRUE(Pump([&] { return received.events.size() >= 5; }))
      << "the port read " << received.events.size() << " of 5 pieces the peer sent";
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
  ASSERT_TRUE(Pump([&] { return received.events.size() >= 9; }))
      << "the second long sysex: the port read " << received.events.size() << " of 9 pieces";
}

TEST_F(JackPorts, WithNoBufferQueuedSysexIsNotDeliveredButShortMessagesAre) {
  Received received;
  auto in = std::make_unique<TMidiInput2>(*service_);
  const int id = InputId(peer_->outPortName());
  ASSERT_GE(id, 0);
  in->SetDeviceID(static_cast<std::uint16_t>(id));
  in->SetSysexBufferCount(0);
  received.Attach(*in);
  in->Open();
  in->Start();
  ASSERT_TRUE(peer_->send({{0xF0, 1, 0xF7}, {0xB0, 3, 4}}));
  ASSERT_TRUE(Pump([&] { return !received.events.empty(); }))
      << "the control change the peer sent did not arrive";
  Pump([] { return false; }, std::chrono::milliseconds(50));
  ASSERT_EQ(received.events.size(), 1u);
  EXPECT_EQ(received.events[0]->status, 0xB0);
}

TEST_F(JackPorts, BurstBeyondTheRingDeliversTheFirstAndCountsTheRest) {
  Received received;
  received.hold = true;  // the GUI thread is busy: nothing is read until the whole burst is in
  auto in = OpenInput(received, 4096, /*capacity=*/64);
  std::vector<MidiBytes> burst;
  for (int i = 0; i < 300; ++i)
    burst.push_back({0xB0, static_cast<std::uint8_t>(i % 128), static_cast<std::uint8_t>(i / 128)});
  ASSERT_TRUE(peer_->send(burst));
  const auto sent = static_cast<int>(burst.size());
  // Each message is in the ring or counted lost once the whole burst has passed the service.
  const bool passed = Pump([&] { return in->PendingCount() + received.overflows >= sent; });
  ASSERT_TRUE(passed) << "of " << sent << " messages the ring holds " << in->PendingCount()
                      << " and " << received.overflows << " were counted lost";
  received.Read(*in);
  EXPECT_EQ(static_cast<int>(received.events.size()) + received.overflows, sent);
  ASSERT_EQ(received.events.size(), 64u);
  for (std::size_t i = 0; i < received.events.size(); ++i) {
    EXPECT_EQ(received.events[i]->data1, burst[i][1]) << i;
    EXPECT_EQ(received.events[i]->data2, burst[i][2]) << i;
  }
}

TEST_F(JackPorts, OpeningADeviceThatVanishedFailsSilently) {
  TMidiOutput2 out(*service_);
  TMidiInput2 in(*service_);
  // Both devices were there when chosen.
  const int out_id = OutputId(peer_->inPortName());
  const int in_id = InputId(peer_->outPortName());
  ASSERT_GE(out_id, 0);
  ASSERT_GE(in_id, 0);
  out.SetDeviceID(out_id);
  in.SetDeviceID(static_cast<std::uint16_t>(in_id));
  peer_.reset();
  EXPECT_FALSE(out.Open());
  EXPECT_FALSE(out.IsOpen());
  in.Open();
  EXPECT_FALSE(in.IsOpen());
}

TEST_F(JackPorts, ServerDeathIsReportedPromptlyAndPortsWorkAgainAfterRestart) {
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
  peer_.reset();

  ASSERT_TRUE(server_.restart());
  peer_ = std::make_unique<JackMidiPeer>("peer");
  ASSERT_TRUE(Pump([&] { return service_->OutputDeviceCount() > 0; }, std::chrono::seconds(2)))
      << service_->UnavailableReason() << " available " << service_->Available() << " peer sees "
      << peer_->midiPorts(false).size();
  EXPECT_TRUE(service_->Notice().empty());
  auto out2 = OpenOutput();
  out2->SendShort(0xB2, 7, 100);
  ASSERT_TRUE(PeerReceives(*peer_, 1, "the control change after the restart"));
  EXPECT_THAT(peer_->events()[0].bytes, ElementsAre(0xB2, 0x07, 0x64));
  Received again;
  auto in2 = OpenInput(again);
  ASSERT_TRUE(peer_->send({{0xB5, 1, 2}}));
  ASSERT_TRUE(Pump([&] { return !again.events.empty(); }))
      << "the peer's control change after the restart did not arrive";
  EXPECT_EQ(again.events[0]->status, 0xB5);
}

// A stock JACK client agrees with the peer about what the service sends.
//
// The server stays synchronous, so a client late for a cycle on a loaded machine delays the
// cycle instead of losing its MIDI. jack_midi_dump closes its client on SIGINT; killed any
// other way it would leave a synchronous server waiting for it.
class StockMidiDump {
 public:
  explicit StockMidiDump(const std::string& log) {
    pid_ = fork();
    if (pid_ != 0) return;
    prctl(PR_SET_PDEATHSIG, SIGKILL);  // never outlives a crashed test
    const int out = ::open(log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    const int null = ::open("/dev/null", O_WRONLY);
    dup2(out, 1);
    dup2(null, 2);
    execlp("jack_midi_dump", "jack_midi_dump", "-a", static_cast<char*>(nullptr));
    _exit(127);
  }
  ~StockMidiDump() {
    if (pid_ <= 0) return;
    ::kill(pid_, SIGINT);
    const auto deadline = Clock::now() + std::chrono::seconds(3);
    while (waitpid(pid_, nullptr, WNOHANG) == 0) {
      if (Clock::now() >= deadline) {
        ADD_FAILURE() << "jack_midi_dump did not end within 3 s of SIGINT";
        ::kill(pid_, SIGKILL);
        waitpid(pid_, nullptr, 0);
        return;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
  }
  StockMidiDump(const StockMidiDump&) = delete;
  StockMidiDump& operator=(const StockMidiDump&) = delete;

  bool started() const { return pid_ > 0; }

 private:
  pid_t pid_ = -1;
};

std::string ReadHead(const std::string& path) {
  FILE* f = std::fopen(path.c_str(), "r");
  if (!f) return {};
  char buffer[4096] = {};
  std::string text(buffer, std::fread(buffer, 1, sizeof buffer - 1, f));
  std::fclose(f);
  return text;
}

TEST_F(JackPorts, StockMidiDumpSeesTheSentBytes) {
  testing::TempDir dir;
  const std::string log = dir.file("dump.txt").toStdString();
  StockMidiDump dump(log);
  ASSERT_TRUE(dump.started());
  const int id = OutputId("midi-monitor:input");
  ASSERT_GE(id, 0) << "jack_midi_dump did not register its port";
  TMidiOutput2 out(*service_);
  out.SetDeviceID(id);
  // On a loaded machine the other process may answer the connection later than Open waits
  // for; Open says so, and trying again is what a user would do.
  ASSERT_TRUE(Pump([&] { return out.Open(); })) << "result " << out.Error();
  out.SendShort(0xB2, 7, 100);
  out.Close();
  std::string text;
  const bool seen = Pump(
      [&] {
        text = ReadHead(log);
        return text.find("b2 07 64") != std::string::npos;
      },
      std::chrono::seconds(3));
  EXPECT_TRUE(seen) << "jack_midi_dump did not print the control change b2 07 64 within 3 s; it "
                       "printed: "
                    << text;
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
    JackService absent;
    EXPECT_FALSE(absent.Available());
    EXPECT_EQ(absent.OutputDeviceCount(), 0u);
    EXPECT_EQ(absent.InputDeviceCount(), 0u);
    MidiHandle handle = kNoMidiHandle;
    EXPECT_NE(absent.OutputOpen(handle, 0, nullptr, nullptr), kMidiNoError);
    ASSERT_TRUE(server.start());
    JackService present;
    EXPECT_TRUE(present.Available());
    EXPECT_NE(present.OutputOpen(handle, 5, nullptr, nullptr), kMidiNoError);
    RtMidiService alsa;
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

TEST(JackService, OneConnectingAheadThatNobodyTookLeavesNoClientBehind) {
  JackServer server;
  ASSERT_TRUE(server.start());
  JackService::ConnectingAhead("Quorvane", "");
  std::string chosen;
  auto service =
      CreateMidiService("JACK", &chosen, {}, JackService::ConnectingAhead("Quorvane", ""));
  ASSERT_TRUE(service->Available());
  // Had the first stayed, the server would have named this one "Quorvane-01".
  EXPECT_EQ(static_cast<JackService&>(*service).ClientName(), "Quorvane");
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
