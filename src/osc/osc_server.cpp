#include "osc/osc_server.h"

#include <arpa/inet.h>
#include <lo/lo_lowlevel.h>
#include <netdb.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QSocketNotifier>
#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <string>

namespace quorvane {
namespace {

constexpr int kMidiMax = 127;
// Datagrams read per wake-up; the notifier fires again for the rest, so a flood cannot hold
// the event loop.
constexpr int kReadsPerWake = 64;

struct MessageFree {
  void operator()(lo_message m) const { lo_message_free(m); }
};
using Message = std::unique_ptr<std::remove_pointer_t<lo_message>, MessageFree>;

std::string SlotPath(std::string_view name, int n) {
  std::string path(kOscPrefix);
  path += name;
  path += '/';
  path += std::to_string(n);
  return path;
}

std::string Path(std::string_view name) {
  return std::string(kOscPrefix) + std::string(name);
}

sockaddr_in SocketAddress(OscEndpoint e) {
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(e.ip);
  a.sin_port = htons(e.port);
  return a;
}

}  // namespace

std::vector<std::uint8_t> OscDatagram(std::string_view path, int value, bool as_float,
                                      int full_scale) {
  const Message m(lo_message_new());
  if (!m) return {};
  if (as_float) {
    lo_message_add_float(m.get(), static_cast<float>(value) / static_cast<float>(full_scale));
  } else {
    lo_message_add_int32(m.get(), value);
  }
  const std::string p(path);
  std::vector<std::uint8_t> bytes(lo_message_length(m.get(), p.c_str()));
  std::size_t size = bytes.size();
  if (!lo_message_serialise(m.get(), p.c_str(), bytes.data(), &size)) return {};
  bytes.resize(size);
  return bytes;
}

OscConfig OscConfigOf(const AppSettings& settings) {
  return {settings.osc_enabled, settings.osc_port, settings.osc_feedback_host,
          settings.osc_feedback_port};
}

void StoreOscConfig(const OscConfig& config, AppSettings& settings) {
  settings.osc_enabled = config.enabled;
  settings.osc_port = config.port;
  settings.osc_feedback_host = config.feedback_host;
  settings.osc_feedback_port = config.feedback_port;
}

OscServer::OscServer(SurfaceCommands& commands, SurfaceObserver& observer, QObject* parent)
    : QObject(parent), commands_(commands), observer_(observer) {
  clock_ = [] { return std::chrono::steady_clock::now(); };
  const SurfaceState state = observer_.State();
  last_bank_ = state.bank;
  last_take_ = state.take_mode;
  connect(&observer_, &SurfaceObserver::slotChanged, this, &OscServer::OnSlotChanged);
  connect(&feedback_frames_, &RedrawPacer::frameDue, this, &OscServer::SendFrame);
  connect(&observer_, &SurfaceObserver::pageChanged, this, &OscServer::OnPageChanged);
  connect(&observer_, &SurfaceObserver::snapshotsChanged, this, &OscServer::OnSnapshotsChanged);
}

OscServer::~OscServer() {
  Close();
}

QString OscServer::Listen(int port, bool all_interfaces) {
  Close();
  if (port < 0 || port > 65535) return QStringLiteral("%1 is not a UDP port.").arg(port);
  const int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
  if (fd < 0) return QStringLiteral("Cannot open a UDP socket: %1").arg(qt_error_string(errno));
  const sockaddr_in address = SocketAddress(
      {all_interfaces ? INADDR_ANY : INADDR_LOOPBACK, static_cast<std::uint16_t>(port)});
  if (::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
    const int error = errno;
    ::close(fd);
    if (error == EADDRINUSE)
      return QStringLiteral("UDP port %1 is in use by another program. Choose another port.")
          .arg(port);
    return QStringLiteral("Cannot listen on UDP port %1: %2").arg(port).arg(qt_error_string(error));
  }
  sockaddr_in bound{};
  socklen_t length = sizeof bound;
  ::getsockname(fd, reinterpret_cast<sockaddr*>(&bound), &length);
  fd_ = fd;
  port_ = ntohs(bound.sin_port);
  notifier_ = std::make_unique<QSocketNotifier>(fd_, QSocketNotifier::Read);
  connect(notifier_.get(), &QSocketNotifier::activated, this, &OscServer::ReadDatagrams);
  return {};
}

void OscServer::Close() {
  notifier_.reset();
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
  port_ = 0;
  clients_.clear();
}

QString OscServer::Configure(const OscConfig& config) {
  if (!config.enabled) {
    Close();
    feedback_.reset();
    return {};
  }
  QString error;
  if (!Listening() || config.port != port_) error = Listen(config.port);
  const QString target = SetFeedbackTarget(config.feedback_host, config.feedback_port);
  return error.isEmpty() ? target : error;
}

QString OscServer::SetFeedbackTarget(const QString& host, int port) {
  feedback_.reset();
  const QString name = host.trimmed();
  if (name.isEmpty() || port <= 0) return {};
  if (port > 65535) return QStringLiteral("%1 is not a UDP port.").arg(port);
  addrinfo hints{};
  hints.ai_family = AF_INET;
  hints.ai_socktype = SOCK_DGRAM;
  addrinfo* found = nullptr;
  if (::getaddrinfo(name.toUtf8().constData(), nullptr, &hints, &found) != 0 || !found)
    return QStringLiteral("Unknown feedback host \"%1\".").arg(name);
  const auto* in = reinterpret_cast<const sockaddr_in*>(found->ai_addr);
  feedback_ = OscEndpoint{ntohl(in->sin_addr.s_addr), static_cast<std::uint16_t>(port)};
  ::freeaddrinfo(found);
  return {};
}

void OscServer::ReadDatagrams() {
  std::array<std::uint8_t, kMaxOscDatagram> buffer{};
  for (int i = 0; i < kReadsPerWake; ++i) {
    sockaddr_in from{};
    socklen_t length = sizeof from;
    // MSG_TRUNC: the datagram's whole length, so that a longer one is refused, not cut.
    const ssize_t n = ::recvfrom(fd_, buffer.data(), buffer.size(), MSG_TRUNC,
                                 reinterpret_cast<sockaddr*>(&from), &length);
    if (n < 0) return;  // nothing left, or an error the next wake-up sees again
    if (from.sin_family != AF_INET || static_cast<std::size_t>(n) > buffer.size()) {
      ++counts_.ignored;
      continue;
    }
    HandleDatagram(std::span(buffer.data(), static_cast<std::size_t>(n)),
                   {ntohl(from.sin_addr.s_addr), ntohs(from.sin_port)});
  }
}

void OscServer::HandleDatagram(std::span<const std::uint8_t> datagram, OscEndpoint from) {
  Client* known = Find(from);
  if (known && known->rate.Over(clock_(), kOscMessagesPerSecond)) {
    ++counts_.limited;
    return;
  }
  // Messages only, whole 32-bit words; a bundle or anything else is not read.
  if (datagram.empty() || datagram.size() > kMaxOscDatagram || datagram.size() % 4 != 0 ||
      datagram.front() != '/') {
    ++counts_.ignored;
    return;
  }
  // liblo reads a buffer of its own; the copy also keeps the caller's bytes as they are.
  std::array<std::uint8_t, kMaxOscDatagram> copy{};
  std::copy(datagram.begin(), datagram.end(), copy.begin());
  int result = 0;
  const Message message(lo_message_deserialise(copy.data(), datagram.size(), &result));
  const char* path =
      message ? lo_get_path(copy.data(), static_cast<ssize_t>(datagram.size())) : nullptr;
  if (!message || !path) {
    ++counts_.ignored;
    return;
  }
  const int argc = lo_message_get_argc(message.get());
  const char* types = lo_message_get_types(message.get());
  lo_arg** argv = lo_message_get_argv(message.get());
  std::vector<OscArgument> args;
  if (argc == 1 && types && argv) {
    OscArgument a{types[0], 0};
    if (a.type == 'i') a.number = argv[0]->i;
    if (a.type == 'f') a.number = argv[0]->f;
    args.push_back(a);
  }
  const std::optional<OscCommand> command =
      ParseOscMessage(std::string_view(path, ::strnlen(path, kMaxOscPathLength + 1)), args);
  if (!command) {
    ++counts_.ignored;
    return;
  }
  Client& client = known ? *known : Admit(from);
  client.last_seen = clock_();
  switch (command->target) {
    case OscTarget::kSlot:
    case OscTarget::kButton:
    case OscTarget::kDefinition:
    case OscTarget::kMorph:
      client.floats = command->as_float;
      break;
    default:
      break;
  }
  Count(Apply(*command, client.id));
}

OscServer::Client* OscServer::Find(OscEndpoint endpoint) {
  for (Client& c : clients_)
    if (c.endpoint == endpoint) return &c;
  return nullptr;
}

OscServer::Client& OscServer::Admit(OscEndpoint endpoint) {
  if (static_cast<int>(clients_.size()) >= kMaxOscClients) {
    // The one heard from longest ago makes room.
    const auto oldest = std::min_element(
        clients_.begin(), clients_.end(),
        [](const Client& a, const Client& b) { return a.last_seen < b.last_seen; });
    clients_.erase(oldest);
  }
  Client c;
  c.endpoint = endpoint;
  c.id = observer_.NewClient();
  c.last_seen = clock_();
  c.rate = ClientRate(c.last_seen);
  clients_.push_back(c);
  return clients_.back();
}

CommandOutcome OscServer::Apply(const OscCommand& c, SurfaceClient from) {
  switch (c.target) {
    case OscTarget::kSlot:
      return commands_.MoveSlot(c.index, c.value, from);
    case OscTarget::kButton:
      return commands_.SetButton(c.index, c.value, from);
    case OscTarget::kPage:
      return commands_.ShowPage(c.value, from);
    case OscTarget::kDefinition:
      return commands_.SetDefinition(c.index, c.value, from);
    case OscTarget::kSnapshot:
      return commands_.SnapshotSlotAction(c.value, from);
    case OscTarget::kTake:
      return commands_.SetTakeMode(c.value == 1, from);
    case OscTarget::kBank:
      return commands_.ShowBank(c.value, from);
    case OscTarget::kMorph:
      return commands_.Morph(c.value, from);
  }
  return CommandOutcome::kNotTaken;
}

void OscServer::Count(CommandOutcome outcome) {
  CountOutcome(outcome, counts_.applied, counts_.ignored, counts_.dropped);
}

std::vector<OscServer::Target> OscServer::Targets() const {
  std::vector<Target> out;
  const auto now = clock_();
  for (const Client& c : clients_)
    if (now - c.last_seen < kOscClientLifetime) out.push_back({c.endpoint, c.id, c.floats});
  if (feedback_ && std::none_of(out.begin(), out.end(),
                                [this](const Target& t) { return t.endpoint == *feedback_; }))
    out.push_back({*feedback_, -1, false});  // -1: no command ever comes from it
  return out;
}

void OscServer::SendSlot(int slot, const SurfaceState& state, SurfaceClient skip) {
  const SurfaceSlotState& s = state.page_slots.at(static_cast<std::size_t>(slot - 1));
  const std::string slot_path = SlotPath(OscTargetName(OscTarget::kSlot), slot);
  const std::string button_path = SlotPath(OscTargetName(OscTarget::kButton), slot);
  for (const Target& t : Targets()) {
    if (t.id == skip) continue;
    Send(t, slot_path, s.value, kMidiMax);
    if (s.has_button) Send(t, button_path, s.button_down ? 1 : 0, 1);
  }
}

void OscServer::OnSlotChanged(int slot, int from) {
  if (slot < 1 || slot > kSlotCount || Targets().empty()) return;
  // The mover is not told its own value; a later change by anyone else is told to it.
  changed_by_.at(static_cast<std::size_t>(slot - 1)) = from;
  feedback_frames_.MarkSlot(slot);
}

void OscServer::SendFrame(const RedrawFrame& frame) {
  const SurfaceState state = observer_.State();
  for (int s = 1; s <= kSlotCount; ++s)
    if (frame.dirty_slots.test(static_cast<std::size_t>(s)))
      SendSlot(s, state, changed_by_.at(static_cast<std::size_t>(s - 1)));
}

void OscServer::OnPageChanged(int page, int from) {
  const std::vector<Target> targets = Targets();
  if (targets.empty()) return;
  const std::string path = Path(OscTargetName(OscTarget::kPage));
  // The slots of the new page follow as slot changes of the program's.
  for (const Target& t : targets)
    if (t.id != from) Send({t.endpoint, t.id, false}, path, page, 1);
}

void OscServer::OnSnapshotsChanged() {
  const SurfaceState state = observer_.State();
  const bool bank_moved = state.bank != last_bank_;
  const bool take_moved = state.take_mode != last_take_;
  last_bank_ = state.bank;
  last_take_ = state.take_mode;
  // Renames and the list's refreshes are not part of the address space.
  if (!bank_moved && !take_moved) return;
  for (const Target& t : Targets()) {
    const Target as_int{t.endpoint, t.id, false};
    if (bank_moved) Send(as_int, Path(OscTargetName(OscTarget::kBank)), state.bank, 1);
    if (take_moved) Send(as_int, Path(OscTargetName(OscTarget::kTake)), state.take_mode ? 1 : 0, 1);
  }
}

void OscServer::Send(const Target& to, std::string_view path, int value, int full_scale) {
  const std::vector<std::uint8_t> datagram = OscDatagram(path, value, to.floats, full_scale);
  if (datagram.empty()) return;
  if (sender_) {
    sender_(to.endpoint, datagram);
  } else {
    SendOut(to.endpoint, datagram);
  }
}

void OscServer::SendOut(OscEndpoint to, std::span<const std::uint8_t> datagram) {
  if (fd_ < 0) return;
  const sockaddr_in address = SocketAddress(to);
  // A full socket buffer drops this piece of feedback; the next change sends the value again.
  ::sendto(fd_, datagram.data(), datagram.size(), MSG_DONTWAIT,
           reinterpret_cast<const sockaddr*>(&address), sizeof address);
}

}  // namespace quorvane
