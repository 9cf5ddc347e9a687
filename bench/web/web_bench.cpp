// The browser surface's costs, with in-process WebSocket clients on loopback TCP:
// a fader move to the slot's control change at the MIDI service's send call, one change
// fanned out to 16 pages, and the CPU time that 16 idle pages cost.
#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <QCoreApplication>
#include <QEventLoop>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTimer>
#include <QWebSocket>
#include <algorithm>
#include <chrono>
#include <memory>
#include <vector>

#include "bridge/surface_control.h"
#include "snapshots/snapshot_store.h"
#include "surface/surface_model.h"
#include "web/browser_surface_server.h"

namespace quorvane {
namespace {

const QString kToken = QStringLiteral("0123456789abcdef0123456789abcdef");

std::uint64_t NowNs() {
  return static_cast<std::uint64_t>(std::chrono::duration_cast<std::chrono::nanoseconds>(
                                        std::chrono::steady_clock::now().time_since_epoch())
                                        .count());
}

double CpuSeconds() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  const auto s = [](const timeval& t) {
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6;
  };
  return s(usage.ru_utime) + s(usage.ru_stime);
}

// Runs the event loop for a while with nothing else to wake it.
void Idle(int ms) {
  QEventLoop loop;
  QTimer::singleShot(ms, &loop, &QEventLoop::quit);
  loop.exec();
}

// Runs the event loop until done() or the timeout; false on the timeout.
template <typename Done>
bool RunUntil(Done done, int timeout_ms = 5000) {
  QEventLoop loop;
  QTimer poll;
  QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
    if (done()) loop.quit();
  });
  poll.start(1);
  QTimer::singleShot(timeout_ms, &loop, &QEventLoop::quit);
  if (!done()) loop.exec();
  return done();
}

// The surface with its server listening on a free loopback port.
struct Rig {
  Rig() : snapshots(model), control(model, snapshots), server(control, control) {
    model.MutablePages().Initialize();
    model.SetOutputInUse(true);
    model.ShowPage(1);
    listening = server.Listen(0, false, kToken).isEmpty();
  }

  // A page's socket, connected and past its first state message.
  std::unique_ptr<QWebSocket> Connect() {
    const QString origin = QStringLiteral("http://127.0.0.1:%1").arg(server.Port());
    auto socket = std::make_unique<QWebSocket>(origin);
    bool greeted = false;
    QObject::connect(socket.get(), &QWebSocket::textMessageReceived, socket.get(),
                     [&greeted](const QString&) { greeted = true; });
    socket->open(
        QUrl(QStringLiteral("ws://127.0.0.1:%1/ws?token=%2").arg(server.Port()).arg(kToken)));
    if (!RunUntil([&] { return greeted; })) return nullptr;
    socket->disconnect();
    return socket;
  }

  SurfaceModel model;
  SnapshotStore snapshots;
  SurfaceControl control;
  BrowserSurfaceServer server;
  bool listening = false;
};

std::vector<std::unique_ptr<QWebSocket>> ConnectMany(Rig& rig, int n) {
  std::vector<std::unique_ptr<QWebSocket>> pages;
  for (int i = 0; i < n; ++i) {
    auto page = rig.Connect();
    if (!page) return {};
    pages.push_back(std::move(page));
  }
  return pages;
}

void Percentiles(benchmark::State& state, std::vector<double> us) {
  std::sort(us.begin(), us.end());
  const auto at = [&](double q) {
    return us[static_cast<std::size_t>(q * static_cast<double>(us.size() - 1))];
  };
  state.counters["p50_us"] = at(0.50);
  state.counters["p99_us"] = at(0.99);
  state.counters["max_us"] = us.back();
}

// One move at a time, 2 ms apart (under the per-client rate), alternating two values so that
// each one changes the slot and is sent.
void BM_BrowserMoveToMidiOut(benchmark::State& state) {
  const int samples = static_cast<int>(state.range(0));
  for (auto _ : state) {
    Rig rig;
    auto page = rig.listening ? rig.Connect() : nullptr;
    if (!page) {
      state.SkipWithError("no server or no connection");
      return;
    }
    std::vector<double> us;
    us.reserve(static_cast<std::size_t>(samples));
    std::uint64_t sent_at = 0;
    QEventLoop loop;
    const auto send = [&] {
      const int value = 10 + 10 * static_cast<int>(us.size() % 2);
      sent_at = NowNs();
      page->sendTextMessage(QStringLiteral(R"({"type":"move","slot":5,"value":%1})").arg(value));
    };
    rig.model.SetShortSender([&](std::uint8_t, std::uint8_t, std::uint8_t) {
      us.push_back(static_cast<double>(NowNs() - sent_at) / 1000.0);
      if (static_cast<int>(us.size()) >= samples) {
        loop.quit();
      } else {
        QTimer::singleShot(2, &loop, send);
      }
      return true;
    });
    send();
    QTimer::singleShot(samples * 20, &loop, &QEventLoop::quit);
    loop.exec();
    if (static_cast<int>(us.size()) < samples) {
      state.SkipWithError("moves were lost");
      return;
    }
    Percentiles(state, std::move(us));
  }
}
BENCHMARK(BM_BrowserMoveToMidiOut)->Arg(2000)->Iterations(1)->Unit(benchmark::kMillisecond);

// A change made in the program, until every one of 16 pages has received its new value.
// The server sends slot changes at most once per screen refresh, which this includes.
void BM_ChangeFannedOutTo16Pages(benchmark::State& state) {
  const int samples = static_cast<int>(state.range(0));
  for (auto _ : state) {
    Rig rig;
    auto pages = ConnectMany(rig, kMaxBrowserClients);
    if (!rig.listening || pages.empty()) {
      state.SkipWithError("no server or no connections");
      return;
    }
    int expected = 0;
    int reached = 0;
    std::uint64_t reached_at = 0;  // when the last page had it; the poll below is coarser
    for (auto& page : pages) {
      QObject::connect(page.get(), &QWebSocket::textMessageReceived, page.get(),
                       [&](const QString& text) {
                         const QJsonObject msg = QJsonDocument::fromJson(text.toUtf8()).object();
                         for (const auto& s : msg.value(QStringLiteral("slots")).toArray()) {
                           const QJsonObject slot = s.toObject();
                           if (slot.value(QStringLiteral("slot")).toInt() == 5 &&
                               slot.value(QStringLiteral("value")).toInt() == expected &&
                               ++reached == kMaxBrowserClients)
                             reached_at = NowNs();
                         }
                       });
    }
    std::vector<double> us;
    for (int i = 0; i < samples; ++i) {
      expected = 30 + i % 2;
      reached = 0;
      const std::uint64_t start = NowNs();
      rig.control.MoveSlot(5, expected, kProgramClient);
      if (!RunUntil([&] { return reached == kMaxBrowserClients; })) {
        state.SkipWithError("a page missed a change");
        return;
      }
      us.push_back(static_cast<double>(reached_at - start) / 1000.0);
      // Past the refresh interval, so each change starts from a quiet server.
      Idle(20);
    }
    Percentiles(state, std::move(us));
  }
}
BENCHMARK(BM_ChangeFannedOutTo16Pages)->Arg(200)->Iterations(1)->Unit(benchmark::kMillisecond);

// Process CPU time over a few seconds of nothing happening, with 0 or 16 pages connected.
void BM_IdleCpuWithPages(benchmark::State& state) {
  const int clients = static_cast<int>(state.range(0));
  for (auto _ : state) {
    Rig rig;
    auto pages = ConnectMany(rig, clients);
    if (!rig.listening || static_cast<int>(pages.size()) != clients) {
      state.SkipWithError("no server or no connections");
      return;
    }
    constexpr double kSeconds = 3.0;
    const double before = CpuSeconds();
    Idle(static_cast<int>(kSeconds * 1000));
    state.counters["cpu_percent"] = 100.0 * (CpuSeconds() - before) / kSeconds;
  }
}
BENCHMARK(BM_IdleCpuWithPages)->Arg(0)->Arg(16)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace quorvane
