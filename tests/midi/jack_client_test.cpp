// The native JACK service end to end through a private dummy server, against a peer client that
// records exactly what arrives.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <signal.h>

#include <QObject>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <thread>

#include "midi/jack_service.h"
#include "midi/midi_input_port.h"
#include "midi/midi_output_port.h"
#include "midi/midi_ports.h"
#include "support/device_names.h"
#include "support/jack_midi_peer.h"
#include "support/jack_server.h"
#include "support/jack_services.h"
#include "support/pump.h"

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
using ::testing::UnorderedElementsAre;

// Every port the server knows whose client name starts with "Quorvane", as jack_lsp prints it.
std::vector<std::string> OurPortsListed() {
  std::vector<std::string> ours;
  FILE* lsp = ::popen("jack_lsp 2>/dev/null", "r");
  if (!lsp) return ours;
  char line[512];
  while (std::fgets(line, sizeof line, lsp)) {
    std::string name(line);
    if (!name.empty() && name.back() == '\n') name.pop_back();
    if (name.rfind("Quorvane", 0) == 0) ours.push_back(name);
  }
  ::pclose(lsp);
  return ours;
}

// Voluntary context switches of this process's thread named `name` so far; -1 when none is.
long long ThreadSwitches(const std::string& name) {
  for (const auto& task : std::filesystem::directory_iterator("/proc/self/task")) {
    std::string comm;
    std::getline(std::ifstream(task.path() / "comm"), comm);
    if (comm != name) continue;
    std::ifstream status(task.path() / "status");
    for (std::string line; std::getline(status, line);)
      if (line.rfind("voluntary_ctxt_switches:", 0) == 0) return std::stoll(line.substr(24));
  }
  return -1;
}

// The bytes of every event the peer recorded from index `from` on, joined.
MidiBytes Joined(const std::vector<testing::PeerEvent>& events) {
  MidiBytes all;
  for (const auto& e : events) all.insert(all.end(), e.bytes.begin(), e.bytes.end());
  return all;
}

MidiBytes Sysex(std::size_t size, std::uint8_t seed) {
  MidiBytes bytes(size);
  for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<std::uint8_t>((i * 7 + seed) % 128);
  bytes.front() = 0xF0;
  bytes.back() = 0xF7;
  return bytes;
}

struct Received {
  std::vector<std::unique_ptr<TMyMidiEvent>> events;
  void Attach(TMidiInput2& in) {
    in.OnMidiInput = [this](TMidiInput2* port) {
      while (port->PendingCount() > 0) events.push_back(port->ReadEvent());
    };
  }
};

class NativeJack : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(server_.start());
    peer_ = std::make_unique<JackMidiPeer>("peer");
    service_ = std::make_unique<JackService>();
    ASSERT_TRUE(service_->Available()) << service_->UnavailableReason();
  }

  std::unique_ptr<TMidiOutput2> OpenOutput(const std::string& port_name = "MIDI Out") {
    auto out = std::make_unique<TMidiOutput2>(*service_);
    out->SetDeviceID(IndexOf(OutputNames(*service_), peer_->inPortName()));
    out->SetPortName(port_name);
    EXPECT_TRUE(out->Open()) << "result " << out->Error();
    return out;
  }

  std::unique_ptr<TMidiInput2> OpenInput(Received& received, const std::string& port_name,
                                         std::uint16_t buffer_size = 4096) {
    auto in = std::make_unique<TMidiInput2>(*service_);
    in->SetDeviceID(
        static_cast<std::uint16_t>(IndexOf(InputNames(*service_), peer_->outPortName())));
    in->SetPortName(port_name);
    in->SetSysexBufferSize(buffer_size);
    received.Attach(*in);
    in->Open();
    EXPECT_TRUE(in->IsOpen());
    in->Start();
    return in;
  }

  // The peer got `want` from event `from` on, within a few seconds; on PipeWire, whose graph drops
  // a cycle or two under load, one run of up to 2 * `cycle_bytes` (a sysex piece unless told) is
  // allowed to go missing.
  ::testing::AssertionResult Arrived(std::size_t from, const MidiBytes& want,
                                     long cycle_bytes = 0) {
    Pump([&] { return Joined(peer_->events(from)).size() >= want.size(); });
    const MidiBytes got = Joined(peer_->events(from));
    const auto n = std::ssize(got), lost = std::ssize(want) - n;
    const auto same = [n](auto g, auto w) { return std::mismatch(g, g + n, w).first - g; };
    if (!cycle_bytes) cycle_bytes = static_cast<long>(server_.period() * sizeof(float));
    if (lost >= 0 && lost <= (JackServer::OnPipeWire() ? 2 * cycle_bytes : 0) &&
        same(got.begin(), want.begin()) + same(got.rbegin(), want.rbegin()) >= n)
      return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "the peer has " << n << " bytes of " << want.size();
  }

  JackServer server_;
  std::unique_ptr<JackMidiPeer> peer_;
  std::unique_ptr<JackService> service_;
};

TEST_F(NativeJack, OneClientNamedQuorvaneHoldsEveryPortInUseAndNothingElse) {
  EXPECT_TRUE(OurPortsListed().empty()) << "ports are registered only while in use";
  auto out = OpenOutput("MIDI Out");
  Received first, remote;
  auto in1 = OpenInput(first, "MIDI In 1");
  auto in2 = OpenInput(remote, "Remote In");
  EXPECT_THAT(OurPortsListed(), UnorderedElementsAre("Quorvane:MIDI Out", "Quorvane:MIDI In 1",
                                                     "Quorvane:Remote In"));
  // Listing, watching and three ports: the server saw one client of the program join.
  std::vector<std::string> ours;
  for (const std::string& name : peer_->clientsRegistered())
    if (name.rfind("Quorvane", 0) == 0) ours.push_back(name);
  EXPECT_THAT(ours, ElementsAre("Quorvane"));
  EXPECT_EQ(service_->ClientName(), "Quorvane");
  // Its own ports are never offered as devices.
  EXPECT_THAT(OutputNames(*service_), ElementsAre(peer_->inPortName()));
  EXPECT_THAT(InputNames(*service_), ElementsAre(peer_->outPortName()));

  ASSERT_TRUE(peer_->send({{0xB0, 9, 9}}));
  EXPECT_TRUE(Pump([&] { return !first.events.empty() && !remote.events.empty(); }))
      << "the peer's control change reached " << first.events.size() << " and "
      << remote.events.size() << " of the two inputs";
  in2->Close();
  EXPECT_THAT(OurPortsListed(), UnorderedElementsAre("Quorvane:MIDI Out", "Quorvane:MIDI In 1"));
  out->Close();
  in1->Close();
  EXPECT_TRUE(OurPortsListed().empty());
}

// Whatever is sent reaches the peer whole and in order; sysex longer than one cycle's buffer is
// split across cycles, and each block is reported done once its last byte has left.
TEST_F(NativeJack, OutgoingMessagesArriveByteForByteInOrder) {
  struct Case {
    const char* name;
    std::vector<MidiBytes> sent;
  };
  const Case cases[] = {
      {"short messages, each its own bytes", {{0xB2, 7, 100}, {0xC3, 5}, {0xF8}, {0xE0, 0, 64}}},
      {"a 60,000-byte sysex", {Sysex(60000, 1)}},
      {"two 60,000-byte sysex back to back, then a short one",
       {Sysex(60000, 2), Sysex(60000, 3), {0xB0, 1, 2}}},
      {"the longest block a port hands over", {Sysex(65535, 4)}},
  };
  auto out = OpenOutput();
  int done = 0;
  out->Onmidioutput = [&](TMidiOutput2*) { ++done; };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::size_t from = peer_->count();
    done = 0;
    MidiBytes want;
    int blocks = 0;
    for (const MidiBytes& m : c.sent) {
      if (m[0] == 0xF0) {
        out->SendSysex(m.data(), m.size());
        ++blocks;
      } else {
        out->SendShort(m[0], m.size() > 1 ? m[1] : 0, m.size() > 2 ? m[2] : 0);
      }
      want.insert(want.end(), m.begin(), m.end());
    }
    EXPECT_TRUE(Arrived(from, want));
    EXPECT_FALSE(peer_->lost());
    ASSERT_TRUE(Pump([&] { return done == blocks; }))
        << done << " of " << blocks << " blocks reported done";
    EXPECT_EQ(out->SysexInFlight(), 0u);
  }
  // A short message is always one event of its own.
  const auto first = peer_->events(0);
  ASSERT_GE(first.size(), 4u);
  EXPECT_THAT(first[0].bytes, ElementsAre(0xB2, 7, 100));
  EXPECT_THAT(first[1].bytes, ElementsAre(0xC3, 5));
}

TEST_F(NativeJack, PacedMessagesAllArriveInOrderAtRisingFrames) {
  auto out = OpenOutput();
  constexpr int kMessages = 240;
  MidiBytes want;
  for (int i = 0; i < kMessages; ++i) {
    out->SendShort(0xB0, static_cast<std::uint8_t>(i % 128), static_cast<std::uint8_t>(i / 128));
    want.insert(want.end(),
                {0xB0, static_cast<std::uint8_t>(i % 128), static_cast<std::uint8_t>(i / 128)});
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  // A millisecond apart: a cycle holds at most a message per millisecond of its length, and one.
  EXPECT_TRUE(Arrived(0, want, 3 * (server_.period() * 1000 / server_.sampleRate() + 1)));
  const auto events = peer_->events();
  for (std::size_t i = 1; i < events.size(); ++i)
    EXPECT_GE(events[i].time_us, events[i - 1].time_us) << i;
}

// A sender that hands each message over ahead of time, waking up late by a varying amount,
// and says when it is due: the peer sees the spacing of the due moments, to the frame.
TEST_F(NativeJack, MessagesHandedOverEarlyKeepTheSpacingOfTheirDueMoments) {
  auto out = OpenOutput();
  const auto lead = out->ScheduleLead();
  ASSERT_GT(lead.count(), 0);
  constexpr int kMessages = 40;
  constexpr auto kGap = std::chrono::milliseconds(5);
  std::minstd_rand late(7);
  const auto start = std::chrono::steady_clock::now() + lead;
  MidiBytes want;
  for (int i = 0; i < kMessages; ++i) {
    const auto due = start + kGap * i;
    std::this_thread::sleep_until(due - lead + std::chrono::microseconds(late() % 2000));
    out->SetNextDue(due);
    out->SendShort(0xB0, 1, static_cast<std::uint8_t>(i));
    want.insert(want.end(), {0xB0, 1, static_cast<std::uint8_t>(i)});
  }
  out->SendShort(0xB0, 2, 0);  // due at once: still after the others
  want.insert(want.end(), {0xB0, 2, 0});
  ASSERT_TRUE(Arrived(0, want, 3 * (server_.period() * 1000 / server_.sampleRate() / 5 + 1)));
  const auto events = peer_->events();
  int exact = 0;
  for (std::size_t i = 1; i + 1 < events.size(); ++i) {
    const auto gap = static_cast<std::int64_t>(events[i].time_us - events[i - 1].time_us);
    if (std::abs(gap - 5000) <= 21) ++exact;  // a frame at 48 kHz
  }
  // Handed over when they were, hardly a gap would be exact; a busy machine may still hold the
  // server up now and then.
  EXPECT_GE(exact, (kMessages - 1) * 8 / 10);
  // The first gap too, give or take a held-up server's cycle: no run starts cycles early.
  const std::uint64_t first_gap = events[1].time_us - events[0].time_us;
  EXPECT_GE(first_gap, 5000u - 21);
  EXPECT_LE(first_gap, 5000u + 1000000u * server_.period() / server_.sampleRate());
  EXPECT_THAT(events.back().bytes, ElementsAre(0xB0, 2, 0));
}

// What a person plays goes out at the first frame of the next cycle, whenever it was handed over.
TEST_F(NativeJack, LiveMessagesGoOutAtTheFirstFrameOfACycle) {
  auto out = OpenOutput();
  // PipeWire may make a new link live some cycles after the connection: time only what is
  // sent once a control change has come through.
  for (int i = 0; i < 100 && peer_->count() == 0; ++i) {
    out->SendShort(0xB0, 1, 0);
    peer_->waitFor(1, std::chrono::milliseconds(50));
  }
  ASSERT_GT(peer_->count(), 0u) << "nothing came through the new connection";
  std::minstd_rand moment(11);
  constexpr int kMessages = 12;
  for (int i = 0; i < kMessages; ++i) {
    std::this_thread::sleep_for(std::chrono::microseconds(700 + moment() % 4500));
    out->SendShort(0x90, 60, static_cast<std::uint8_t>(i + 1));
  }
  const auto notes = [this] {
    std::vector<testing::PeerEvent> on;
    for (const auto& e : peer_->events())
      if (e.bytes[0] == 0x90) on.push_back(e);
    return on;
  };
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
  while (notes().size() < kMessages && std::chrono::steady_clock::now() < deadline)
    peer_->waitFor(peer_->count() + 1, std::chrono::milliseconds(100));
  ASSERT_EQ(notes().size(), std::size_t{kMessages});
  const auto period = static_cast<std::uint64_t>(server_.period());
  for (const auto& e : notes()) {
    const std::uint64_t offset = (e.time_us * server_.sampleRate() + 999999) / 1000000 % period;
    EXPECT_LE(std::min(offset, period - offset), 1u) << "frame " << offset << " of the cycle";
  }
}

// With ports open and nothing arriving, the relay thread sleeps.
TEST_F(NativeJack, RelayThreadSleepsWhileNothingArrives) {
  auto out = OpenOutput();
  Received received;
  auto in = OpenInput(received, "MIDI In 1");
  const long long before = ThreadSwitches("jack-relay");
  ASSERT_GE(before, 0) << "no relay thread";
  std::this_thread::sleep_for(std::chrono::milliseconds(500));
  EXPECT_LT(ThreadSwitches("jack-relay") - before, 10) << "woken without work";
  ASSERT_TRUE(peer_->send({{0xB0, 1, 2}}));
  EXPECT_TRUE(Pump([&] { return !received.events.empty(); })) << "input no longer wakes it";
}

// A server that stops taking MIDI: the send gives up after a while and says why.
TEST_F(NativeJack, AStalledServerTurnsASendAwayWithAReason) {
  auto out = OpenOutput();
  ::kill(server_.pid(), SIGSTOP);
  std::string text;
  try {
    for (int i = 0; i < 10000; ++i) out->SendShort(0xB0, 1, 1);
  } catch (const std::exception& e) {
    text = e.what();
  }
  ::kill(server_.pid(), SIGCONT);
  EXPECT_THAT(text, HasSubstr("took no MIDI"));
}

// The server's period changing under a paced send (another program asked for a different
// latency) never brings two messages closer than they were due.
TEST_F(NativeJack, PeriodChangesDuringAPacedSendNeverSqueezeAGap) {
  auto out = OpenOutput();
  const auto lead = out->ScheduleLead();
  constexpr int kMessages = 80;
  constexpr auto kGap = std::chrono::milliseconds(5);
  std::thread other([] {
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_EQ(std::system("jack_bufsize 1024 >/dev/null 2>&1"), 0);
    std::this_thread::sleep_for(std::chrono::milliseconds(120));
    EXPECT_EQ(std::system("jack_bufsize 256 >/dev/null 2>&1"), 0);
  });
  const auto start = std::chrono::steady_clock::now() + lead;
  MidiBytes want;
  for (int i = 0; i < kMessages; ++i) {
    const auto due = start + kGap * i;
    std::this_thread::sleep_until(due - lead);
    out->SetNextDue(due);
    out->SendShort(0xB0, 1, static_cast<std::uint8_t>(i));
    want.insert(want.end(), {0xB0, 1, static_cast<std::uint8_t>(i)});
  }
  other.join();
  ASSERT_TRUE(Arrived(0, want, 3 * 5));  // a 1,024-frame cycle holds up to five of these
  const auto events = peer_->events();
  for (std::size_t i = 1; i < events.size(); ++i) {
    const int steps = events[i].bytes[2] - events[i - 1].bytes[2];
    EXPECT_GE(events[i].time_us - events[i - 1].time_us, 5000u * steps - 21) << "message " << i;
  }
}

TEST_F(NativeJack, MessagesSentJustBeforeCloseStillArrive) {
  auto out = OpenOutput();
  const MidiBytes sysex = Sysex(40000, 5);
  out->SendShort(0x90, 60, 1);
  out->SendSysex(sysex.data(), sysex.size());
  // Not a note-on of velocity 0: PipeWire hands that on as a note-off.
  out->SendShort(0xB0, 7, 0);
  EXPECT_TRUE(out->Close());
  MidiBytes want{0x90, 60, 1};
  want.insert(want.end(), sysex.begin(), sysex.end());
  want.insert(want.end(), {0xB0, 7, 0});
  EXPECT_TRUE(Arrived(0, want));
}

// JACK events as the peer sends them, and what the port reads: sysex pieces joined, short
// messages in between, in arrival order.
TEST_F(NativeJack, IncomingSysexSplitAcrossEventsIsJoined) {
  struct Case {
    const char* name;
    std::vector<MidiBytes> sent;
    MidiBytes sysex;         // what the port's sysex records add up to
    std::size_t shorts = 0;  // short messages read
  };
  const MidiBytes big = Sysex(20000, 6);
  std::vector<MidiBytes> big_pieces;
  for (std::size_t at = 0; at < big.size(); at += 3000)
    big_pieces.emplace_back(
        big.begin() + static_cast<std::ptrdiff_t>(at),
        big.begin() + static_cast<std::ptrdiff_t>(std::min(at + 3000, big.size())));
  big_pieces.push_back({0xB1, 2, 3});
  const Case cases[] = {
      {"three events and a control change",
       {{0xF0, 1, 2}, {3, 4}, {5, 0xF7}, {0xB0, 1, 2}},
       {0xF0, 1, 2, 3, 4, 5, 0xF7},
       1},
      {"20,000 bytes in 3,000-byte events", big_pieces, big, 1},
  };
  Received received;
  auto in = OpenInput(received, "MIDI In 1");
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    received.events.clear();
    ASSERT_TRUE(peer_->send(c.sent));
    MidiBytes sysex;
    std::size_t shorts = 0;
    ASSERT_TRUE(Pump([&] {
      sysex.clear();
      shorts = 0;
      for (const auto& e : received.events) {
        if (e->status == 0xF0)
          sysex.insert(sysex.end(), e->sysex_data.get(), e->sysex_data.get() + e->sysex_length);
        else
          ++shorts;
      }
      return shorts >= c.shorts;
    })) << "the control change after the sysex did not arrive";
    EXPECT_EQ(sysex, c.sysex);
    EXPECT_EQ(received.events.back()->status & 0xF0, 0xB0) << "the short message comes last";
    for (std::size_t i = 1; i < received.events.size(); ++i)
      EXPECT_GE(received.events[i]->timestamp, received.events[i - 1]->timestamp);
  }
}

TEST_F(NativeJack, DevicesChangedHandlerFiresWhenAPeerComesAndGoes) {
  int changes = 0;
  service_->SetDevicesChangedHandler([&] { ++changes; });
  // PipeWire may tell a client's coming or going before its ports': a later call follows.
  auto other = std::make_unique<JackMidiPeer>("other");
  ASSERT_TRUE(Pump([&] { return changes > 0 && IndexOf(OutputNames(*service_), "other:in") >= 0; }))
      << changes << " calls; the new peer's port was never listed after one";
  changes = 0;
  other.reset();
  ASSERT_TRUE(Pump([&] { return changes > 0 && IndexOf(OutputNames(*service_), "other:in") < 0; }))
      << changes << " calls; the port that went was still listed";
}

TEST(NativeJackServer, WithoutAServerNothingOpensAndTheServerIsFoundOnceItRuns) {
  JackServer server;  // not started yet
  JackService service;
  EXPECT_FALSE(service.Available());
  EXPECT_FALSE(service.UnavailableReason().empty());
  EXPECT_EQ(service.OutputDeviceCount(), 0u);
  MidiHandle handle = kNoMidiHandle;
  EXPECT_NE(service.OutputOpen(handle, 0, nullptr, nullptr), kMidiNoError);
  ASSERT_TRUE(server.start());
  JackMidiPeer peer("peer");
  ASSERT_TRUE(Pump([&] { return service.OutputDeviceCount() > 0; }));
  EXPECT_TRUE(service.Available());
  EXPECT_THAT(OutputNames(service), ElementsAre("peer:in"));
}

// A connection another program made to the output survives its device leaving and coming back
// and the server's restart; the program's ports stay listed while the device is away.
TEST(NativeJackServer, ConnectionsOthersMadeSurviveTheDeviceAndTheServerGoingAway) {
  JackServer server;
  ASSERT_TRUE(server.start());
  auto peer = std::make_unique<JackMidiPeer>("peer");
  auto rec = std::make_unique<JackMidiPeer>("rec");
  MidiPorts ports(testing::JackOnlyServices());
  MidiPortsConfig config;
  config.api = QStringLiteral("JACK");
  config.devices[static_cast<std::size_t>(PortRole::kOutput)] = {0, QStringLiteral("peer:in")};
  config.devices[static_cast<std::size_t>(PortRole::kInput1)] = {0, QStringLiteral("peer:out")};
  config.devices[static_cast<std::size_t>(PortRole::kRemoteInput)] = {0, QStringLiteral("rec:out")};
  ports.Start(config);
  ASSERT_TRUE(ports.MidiOutput1().IsOpen()) << ports.TakeMessages().join(' ').toStdString();
  ASSERT_TRUE(rec->connect("Quorvane:MIDI Out", "rec:in"));
  const auto reaches = [&](JackMidiPeer& to, std::uint8_t value) {
    const std::size_t from = to.count();
    ports.MidiOutput1().SendShort(0xB0, 3, value);
    return Pump([&] { return to.count() > from; }) &&
           to.events(from)[0].bytes == MidiBytes{0xB0, 3, value};
  };
  ASSERT_TRUE(reaches(*rec, 1));

  peer.reset();
  ASSERT_TRUE(Pump([&] { return !ports.MidiOutput1().IsOpen(); })) << "the device never went";
  EXPECT_THAT(OurPortsListed(), UnorderedElementsAre("Quorvane:MIDI Out", "Quorvane:MIDI In 1",
                                                     "Quorvane:Remote In"));
  peer = std::make_unique<JackMidiPeer>("peer");
  ASSERT_TRUE(Pump([&] { return ports.MidiOutput1().IsOpen(); })) << "the device never came back";
  EXPECT_TRUE(reaches(*rec, 2)) << "the connection to rec went with the device";
  // Both ports get the message in one cycle, but each client reads it in its own callback.
  EXPECT_TRUE(Pump([&] { return peer->count() == 1; })) << "the device was not connected again";

  peer.reset();
  rec.reset();
  server.kill();
  ASSERT_TRUE(Pump([&] { return ports.Suspended(); })) << "the server's death went unnoticed";
  ASSERT_TRUE(server.restart());
  rec = std::make_unique<JackMidiPeer>("rec");
  peer = std::make_unique<JackMidiPeer>("peer");
  ASSERT_TRUE(Pump([&] { return !ports.Suspended(); }, std::chrono::seconds(8)));
  EXPECT_TRUE(reaches(*rec, 3)) << "the connection to rec did not come back with the server";
  ports.CloseInUse();
}

// The server killed while a bulk send is under way and started again: one notice, the ports
// wait, and once the server is back they reopen by name and carry MIDI with no user action.
TEST(NativeJackServer, KilledDuringABulkSendIsToldAndSendingResumesAfterRestart) {
  JackServer server;
  ASSERT_TRUE(server.start());
  auto peer = std::make_unique<JackMidiPeer>("peer");
  MidiPorts ports(testing::JackOnlyServices());
  std::vector<std::string> notices;
  QObject::connect(&ports, &MidiPorts::serviceNotice,
                   [&](const QString& text) { notices.push_back(text.toStdString()); });
  int moved = 0;
  ports.SetInputHandler(PortRole::kInput1, [&](TMidiInput2& in) {
    while (in.PendingCount() > 0) moved += in.ReadEvent()->status == 0xB0;
  });
  MidiPortsConfig config;
  config.api = QStringLiteral("JACK");
  config.devices[static_cast<std::size_t>(PortRole::kOutput)] = {0, QStringLiteral("peer:in")};
  config.devices[static_cast<std::size_t>(PortRole::kInput1)] = {0, QStringLiteral("peer:out")};
  ports.Start(config);
  ASSERT_TRUE(ports.MidiOutput1().IsOpen()) << ports.TakeMessages().join(' ').toStdString();

  const MidiBytes block = Sysex(60000, 7);
  for (int i = 0; i < 10; ++i) ports.MidiOutput1().SendSysex(block.data(), block.size());
  ASSERT_TRUE(Pump([&] { return peer->count() > 0; })) << "the bulk send never started";
  server.kill();
  ASSERT_TRUE(Pump([&] { return !notices.empty(); }, std::chrono::seconds(3)))
      << "no notice of the server's death";
  EXPECT_THAT(notices[0], HasSubstr("JACK server has stopped"));
  EXPECT_TRUE(ports.Suspended());
  EXPECT_FALSE(ports.OutputUsable()) << "sending stops";

  peer.reset();
  ASSERT_TRUE(server.restart());
  peer = std::make_unique<JackMidiPeer>("peer");
  ASSERT_TRUE(Pump([&] { return !ports.Suspended(); }, std::chrono::seconds(8)));
  EXPECT_EQ(notices.size(), 2u) << "one notice for the loss, one for the return";
  ASSERT_TRUE(ports.MidiOutput1().IsOpen());
  ports.MidiOutput1().SendShort(0xB0, 7, 99);
  ASSERT_TRUE(peer->waitFor(1)) << "the control change after the restart did not arrive";
  EXPECT_THAT(peer->events()[0].bytes, ElementsAre(0xB0, 7, 99));
  ASSERT_TRUE(peer->send({{0xB0, 8, 1}}));
  EXPECT_TRUE(Pump([&] { return moved == 1; })) << "the input did not come back";
  ports.CloseInUse();
}

}  // namespace
}  // namespace quorvane
