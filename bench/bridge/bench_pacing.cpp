// Pacing of a bulk send: 120 definitions with button messages (240 messages) at 5 ms, sent by
// the model's send thread through the output port to a peer on a private dummy server, through
// the native JACK client or, to compare with, a stock sender (RtMidi's own JACK client), at 64
// and 256 frames per cycle. Measured on the receiving
// side from the peer's frame times, and on the sending side from a monotonic clock read as each
// message is handed to the port. Under pw-jack with QUORVANE_TEST_SERVER=pipewire the server is
// a private PipeWire and both clients run on its libjack.
#include <benchmark/benchmark.h>
#include <rtmidi/RtMidi.h>

#include <QCoreApplication>
#include <QEventLoop>
#include <algorithm>
#include <chrono>
#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "files/app_settings.h"
#include "linked_ports.h"
#include "midi/jack_service.h"
#include "midi/midi_message.h"
#include "midi/midi_ports.h"
#include "midi/midi_system.h"
#include "support/jack_midi_peer.h"
#include "support/jack_server.h"
#include "support/surface_settings.h"
#include "surface/surface_model.h"

namespace quorvane {
namespace {

using Clock = std::chrono::steady_clock;
constexpr int kDelayMs = 5;
constexpr int kMessages = 240;

// The stock sender: an output on RtMidi's own JACK client, which writes each message at the
// start of the next cycle. Short messages only; it has no inputs.
class RtMidiJackOutput final : public NoMidiService {
 public:
  RtMidiJackOutput() : NoMidiService("RtMidi found no JACK server") {
    try {
      lister_ = std::make_unique<RtMidiOut>(RtMidi::UNIX_JACK, "Quorvane list");
    } catch (const RtMidiError&) {
      lister_.reset();
    }
  }
  bool Available() const override { return lister_ != nullptr; }

  std::uint32_t OutputDeviceCount() override { return lister_ ? lister_->getPortCount() : 0; }
  MidiResult OutputDeviceCaps(int id, MidiOutputCaps& caps) override {
    std::vector<std::string> names;
    for (unsigned i = 0; i < OutputDeviceCount(); ++i) names.push_back(lister_->getPortName(i));
    return OutputCapsFromNames(names, id, caps);
  }
  MidiResult OutputOpen(MidiHandle& handle, int id, MidiDriverCallback, void*) override {
    if (id < 0) return kMidiBadDeviceId;
    if (out_) return kMidiAllocated;
    try {
      out_ = std::make_unique<RtMidiOut>(RtMidi::UNIX_JACK, "Quorvane");
      out_->openPort(static_cast<unsigned>(id), "MIDI Out");
    } catch (const RtMidiError&) {
      out_.reset();
      return kMidiNoDevice;
    }
    handle = 1;
    return kMidiNoError;
  }
  MidiResult OutputClose(MidiHandle) override {
    out_.reset();
    return kMidiNoError;
  }
  MidiResult OutputShortMessage(MidiHandle, std::uint32_t word) override {
    const unsigned char bytes[3] = {static_cast<unsigned char>(word),
                                    static_cast<unsigned char>(word >> 8),
                                    static_cast<unsigned char>(word >> 16)};
    const std::size_t size = ShortMessageLength(bytes[0]);
    if (!out_ || size == 0) return kMidiInvalidParam;
    out_->sendMessage(bytes, size);
    return kMidiNoError;
  }
  MidiResult OutputDrain(MidiHandle) override { return kMidiNoError; }

 private:
  std::unique_ptr<RtMidiOut> lister_;
  std::unique_ptr<RtMidiOut> out_;
};

struct GapStats {
  double total_ms = 0;  // first message to last, plus the pause after the last
  double p50_error_ms = 0;
  double p99_error_ms = 0;
  double max_error_ms = 0;
  double first_error_ms = 0;  // the first message to the second, apart: a run starts there
  double min_gap_ms = 0;      // never below the delay: no two messages closer than that
};

GapStats Stats(const std::vector<double>& times_us) {
  GapStats s;
  if (times_us.size() < 2) return s;
  std::vector<double> errors;
  s.min_gap_ms = (times_us[1] - times_us[0]) / 1000.0;
  for (std::size_t i = 1; i < times_us.size(); ++i) {
    s.min_gap_ms = std::min(s.min_gap_ms, (times_us[i] - times_us[i - 1]) / 1000.0);
    errors.push_back(std::abs(times_us[i] - times_us[i - 1] - kDelayMs * 1000.0) / 1000.0);
  }
  std::sort(errors.begin(), errors.end());
  s.total_ms = (times_us.back() - times_us.front()) / 1000.0 + kDelayMs;
  s.p50_error_ms = errors[(errors.size() - 1) / 2];
  s.p99_error_ms = errors[static_cast<std::size_t>(0.99 * static_cast<double>(errors.size() - 1))];
  s.max_error_ms = errors.back();
  s.first_error_ms = std::abs(times_us[1] - times_us[0] - kDelayMs * 1000.0) / 1000.0;
  return s;
}

// How far each message's latency (receive frame time less hand-over time, two clocks with a
// constant offset) strays from the run's median: with RtMidi the client's own share of the gap
// error; with the native client the send thread's lateness, which the due moments absorb.
double LatencySpreadP99Ms(const std::vector<double>& sent_us, const std::vector<double>& recv_us) {
  const std::size_t n = std::min(sent_us.size(), recv_us.size());
  if (n < 2) return 0;
  std::vector<double> latency;
  for (std::size_t i = 0; i < n; ++i) latency.push_back(recv_us[i] - sent_us[i]);
  std::vector<double> sorted = latency;
  std::sort(sorted.begin(), sorted.end());
  const double median = sorted[n / 2];
  std::vector<double> spread;
  for (double l : latency) spread.push_back(std::abs(l - median) / 1000.0);
  std::sort(spread.begin(), spread.end());
  return spread[static_cast<std::size_t>(0.99 * static_cast<double>(n - 1))];
}

// Arguments: the client (0 the stock sender, 1 native) and the frames per cycle. RtMidi writes each
// message at the start of the next cycle, so its gaps carry a whole cycle of jitter; the native
// client takes each one early with the moment it is due and places it a cycle after that.
void BM_PacedSendAll(benchmark::State& state) {
  const bool native = state.range(0) == 1;
  state.SetLabel(native ? "native JACK client" : "RtMidi's JACK client");
  testing::JackServer server;
  server.setPeriod(static_cast<int>(state.range(1)));
  if (!server.start()) {
    state.SkipWithError("jackd did not start");
    return;
  }
  auto peer = std::make_unique<testing::JackMidiPeer>("peer");
  SurfaceModel model;
  auto ports = std::make_unique<testing::LinkedPorts>(
      model, [native](const std::string&, std::string* chosen) {
        *chosen = "JACK";
        std::unique_ptr<MidiService> made;
        if (native)
          made = std::make_unique<JackService>();
        else
          made = std::make_unique<RtMidiJackOutput>();
        return made;
      });
  AppSettings settings;
  settings.midi_api = QStringLiteral("JACK");
  settings.output_device = 0;
  settings.output_device_name = QString::fromStdString(peer->inPortName());
  ports->Start(settings);
  if (!model.OutputInUse()) {
    state.SkipWithError("output did not open");
    return;
  }
  model.MutablePages().Initialize();
  for (Tcontroller& d : model.MutablePages()) d.use_slider = false;  // two messages each
  testing::SetSetting(model, &SurfaceSettings::midi_delay, kDelayMs);
  model.ShowPage(1);

  std::vector<double> sent_us;
  sent_us.reserve(kMessages);
  const auto origin = Clock::now();
  TMidiOutput2& out = (*ports)->MidiOutput1();
  model.SetShortSender([&](std::uint8_t s, std::uint8_t d1, std::uint8_t d2) {
    sent_us.push_back(std::chrono::duration<double, std::micro>(Clock::now() - origin).count());
    out.SendShort(s, d1, d2);
    return true;
  });

  double recv_total = 0, recv_p50 = 0, recv_p99 = 0, recv_max = 0, recv_first = 0;
  double recv_min_gap = kDelayMs;
  double send_total = 0, send_p99 = 0, send_max = 0, latency_p99 = 0;
  int runs = 0;
  for (auto _ : state) {
    sent_us.clear();
    const std::size_t before = peer->count();
    const auto start = Clock::now();
    model.Sends().StartSend(BulkSendThread::kAllPages);
    while (model.Sends().RunningSends() > 0) {
      QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    const auto end = Clock::now();
    if (!peer->waitFor(before + kMessages)) {
      state.SkipWithError("messages lost");
      break;
    }
    state.SetIterationTime(std::chrono::duration<double>(end - start).count());
    std::vector<double> recv_us;
    for (const auto& e : peer->events(before)) recv_us.push_back(static_cast<double>(e.time_us));
    const GapStats r = Stats(recv_us);
    const GapStats s = Stats(sent_us);
    latency_p99 = std::max(latency_p99, LatencySpreadP99Ms(sent_us, recv_us));
    recv_total += r.total_ms;
    recv_p50 = std::max(recv_p50, r.p50_error_ms);
    recv_p99 = std::max(recv_p99, r.p99_error_ms);
    recv_max = std::max(recv_max, r.max_error_ms);
    recv_first = std::max(recv_first, r.first_error_ms);
    recv_min_gap = std::min(recv_min_gap, r.min_gap_ms);
    send_total += s.total_ms;
    send_p99 = std::max(send_p99, s.p99_error_ms);
    send_max = std::max(send_max, s.max_error_ms);
    ++runs;
  }
  if (runs > 0) {
    const double nominal = kMessages * kDelayMs;
    state.counters["recv_total_ms"] = recv_total / runs;
    state.counters["recv_total_err_pct"] = 100.0 * (recv_total / runs - nominal) / nominal;
    state.counters["recv_gap_p50_err_ms"] = recv_p50;
    state.counters["recv_gap_p99_err_ms"] = recv_p99;
    state.counters["recv_gap_max_err_ms"] = recv_max;
    state.counters["recv_first_gap_max_err_ms"] = recv_first;
    state.counters["recv_gap_min_ms"] = recv_min_gap;
    state.counters["latency_spread_p99_ms"] = latency_p99;
    if (auto* jack = dynamic_cast<JackService*>(&(*ports)->Service()))
      state.counters["late_events"] = static_cast<double>(jack->LateEvents());
    state.counters["send_total_ms"] = send_total / runs;
    state.counters["send_total_err_pct"] = 100.0 * (send_total / runs - nominal) / nominal;
    state.counters["send_gap_p99_err_ms"] = send_p99;
    state.counters["send_gap_max_err_ms"] = send_max;
  }
  model.Sends().StopSends();
  (*ports)->CloseInUse();
}
BENCHMARK(BM_PacedSendAll)
    ->ArgNames({"native", "period"})
    ->ArgsProduct({{1, 0}, {64, 256}})
    ->Iterations(5)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace quorvane
