// OSC against the real thing: liblo's own oscsend and oscdump on one side, a private JACK
// server with a peer client on the other, the program's surface between them.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QProcess>
#include <QRandomGenerator>
#include <memory>
#include <optional>
#include <vector>

#include "bridge/surface_control.h"
#include "linked_ports.h"
#include "midi/jack_service.h"
#include "osc/osc_server.h"
#include "snapshots/snapshot_store.h"
#include "support/jack_midi_peer.h"
#include "support/jack_server.h"
#include "support/pump.h"

namespace quorvane {
namespace {

using testing::JackMidiPeer;
using testing::JackServer;
using testing::LinkedPorts;
using testing::MidiBytes;
using testing::Pump;

// A UDP port nobody uses at the moment.
int FreePort() {
  const int fd = ::socket(AF_INET, SOCK_DGRAM, 0);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  ::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a);
  socklen_t n = sizeof a;
  ::getsockname(fd, reinterpret_cast<sockaddr*>(&a), &n);
  ::close(fd);
  return ntohs(a.sin_port);
}

class JackOsc : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(server_.start());
    peer_ = std::make_unique<JackMidiPeer>("peer");
    model_.MutablePages().Initialize();
    AppSettings settings;
    settings.midi_api = QStringLiteral("JACK");
    settings.midi_delay = 0;
    settings.input_device1 = settings.output_device = 0;
    settings.input_device1_name = QString::fromStdString(peer_->outPortName());
    settings.output_device_name = QString::fromStdString(peer_->inPortName());
    ports_.emplace(model_, [](const std::string&, std::string* chosen) {
      *chosen = "JACK";
      return std::make_unique<JackService>();
    });
    ports_->Start(settings);
    ASSERT_TRUE((*ports_)->InUse(PortRole::kOutput));
    ASSERT_TRUE((*ports_)->InUse(PortRole::kInput1));
    snapshots_ = std::make_unique<SnapshotStore>(model_);
    control_ = std::make_unique<SurfaceControl>(model_, *snapshots_);
    osc_ = std::make_unique<OscServer>(*control_, *control_);
    ASSERT_TRUE(osc_->Listen(0).isEmpty());
    model_.ShowPage(1);
  }

  void TearDown() override {
    osc_.reset();
    control_.reset();
    if (ports_) (*ports_)->CloseInUse();
    ports_.reset();
    snapshots_.reset();
    peer_.reset();
  }

  // oscsend to the server; true once it has been read.
  bool OscSend(const QStringList& message) {
    const OscCounts before = osc_->Counts();
    QProcess p;
    p.start(QStringLiteral("oscsend"),
            QStringList{QStringLiteral("127.0.0.1"), QString::number(osc_->Port())} + message);
    if (!p.waitForFinished(5000) || p.exitCode() != 0) return false;
    return Pump([&] {
      const OscCounts& c = osc_->Counts();
      return c.applied + c.ignored > before.applied + before.ignored;
    });
  }

  JackServer server_;
  std::unique_ptr<JackMidiPeer> peer_;
  SurfaceModel model_;
  std::optional<LinkedPorts> ports_;
  std::unique_ptr<SnapshotStore> snapshots_;
  std::unique_ptr<SurfaceControl> control_;
  std::unique_ptr<OscServer> osc_;
};

TEST_F(JackOsc, AnOscMessageMovesSlotFiveAndThePeerReceivesItsControlChange) {
  Tcontroller& d = model_.SlotDefinition(5);
  d.ctrl = 77;
  d.channel = 3;
  ASSERT_TRUE(
      OscSend({QStringLiteral("/quorvane/slot/5"), QStringLiteral("i"), QStringLiteral("100")}));
  EXPECT_EQ(d.value, 100);
  ASSERT_TRUE(peer_->waitFor(1));
  EXPECT_EQ(peer_->events().front().bytes, (MidiBytes{0xB2, 77, 100}));
}

TEST_F(JackOsc, AFollowedControlChangeIsReportedToOscdump) {
  const int port = FreePort();
  QProcess dump;
  dump.start(QStringLiteral("oscdump"), {QStringLiteral("-L"), QString::number(port)});
  ASSERT_TRUE(dump.waitForStarted());
  ASSERT_TRUE(osc_->SetFeedbackTarget(QStringLiteral("127.0.0.1"), port).isEmpty());
  QByteArray seen;
  // oscdump may not listen yet when the first change goes out: the peer plays until it hears.
  int value = 9;
  const bool heard = Pump(
      [&] {
        seen += dump.readAllStandardOutput();
        if (seen.contains("/quorvane/slot/5 i ")) return true;
        peer_->send({{0xB0, 5, static_cast<std::uint8_t>(value++ % 128)}});
        return false;
      },
      std::chrono::seconds(5));
  dump.terminate();
  dump.waitForFinished(2000);
  EXPECT_TRUE(heard) << seen.toStdString();
  EXPECT_EQ(peer_->count(), 0u);  // followed, not sent on
}

// Garbage from the network changes nothing and sends nothing; the server goes on answering.
TEST_F(JackOsc, GarbageDatagramsChangeNothing) {
  const SurfaceState before = control_->State();
  const QStringList wrong[] = {
      {QStringLiteral("/quorvane/slot/5"), QStringLiteral("s"), QStringLiteral("loud")},
      {QStringLiteral("/quorvane/slot/5"), QStringLiteral("f"), QStringLiteral("2.5")},
      {QStringLiteral("/quorvane/slot/5"), QStringLiteral("ii"), QStringLiteral("1"),
       QStringLiteral("2")},
      {QStringLiteral("/quorvane/page"), QStringLiteral("i"), QStringLiteral("9")},
      {QStringLiteral("/quorvane/nothing"), QStringLiteral("i"), QStringLiteral("1")},
  };
  for (const QStringList& m : wrong) ASSERT_TRUE(OscSend(m)) << m.join(' ').toStdString();
  const int fd = ::socket(AF_INET, SOCK_DGRAM, 0);
  sockaddr_in to{};
  to.sin_family = AF_INET;
  to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  to.sin_port = htons(static_cast<std::uint16_t>(osc_->Port()));
  const std::vector<std::uint8_t> good = OscDatagram("/quorvane/slot/5", 100, false, 127);
  constexpr int kDatagrams = 10000;
  auto* random = QRandomGenerator::global();
  // A bounded socket buffer: the server reads every so often; a lost datagram costs one wait.
  int base = osc_->Counts().ignored;
  int since = 0;
  const auto settle = [&] {
    Pump([&] { return osc_->Counts().ignored >= base + since; }, std::chrono::seconds(1));
    base = osc_->Counts().ignored;
    since = 0;
  };
  for (int i = 0; i < kDatagrams; ++i) {
    std::vector<std::uint8_t> d(random->bounded(1, 600));
    for (auto& b : d) b = static_cast<std::uint8_t>(random->bounded(256));
    if (i % 3 == 0) d.assign(good.begin(), good.begin() + random->bounded(1, int(good.size())));
    if (::sendto(fd, d.data(), d.size(), 0, reinterpret_cast<sockaddr*>(&to), sizeof to) > 0)
      ++since;
    if (i % 50 == 49) settle();
  }
  settle();
  ::close(fd);
  EXPECT_EQ(control_->State(), before);
  EXPECT_EQ(osc_->Counts().applied, 0);
  EXPECT_GT(osc_->Counts().ignored, kDatagrams / 2);  // the garbage did arrive
  // Still answering.
  ASSERT_TRUE(
      OscSend({QStringLiteral("/quorvane/slot/5"), QStringLiteral("i"), QStringLiteral("100")}));
  ASSERT_TRUE(peer_->waitFor(1));
  EXPECT_EQ(peer_->count(), 1u);
}

}  // namespace
}  // namespace quorvane
