#include "desktop_rig.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>
#include <xcb/xcb.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <thread>

namespace quorvane::bench {

PrivateDisplay::PrivateDisplay() {
  int fds[2];
  if (::pipe(fds) != 0) return;
  pid_ = ::fork();
  if (pid_ == 0) {
    ::close(fds[0]);
    const std::string fd = std::to_string(fds[1]);
    const int null = ::open("/dev/null", O_WRONLY);
    ::dup2(null, STDERR_FILENO);
    ::execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", "1280x1024x24", "-nolisten",
             "tcp", "-noreset", static_cast<char*>(nullptr));
    ::_exit(127);
  }
  ::close(fds[1]);
  // Xvfb writes the display number once it takes connections.
  std::string number;
  char c;
  while (::read(fds[0], &c, 1) == 1 && c != '\n') number += c;
  ::close(fds[0]);
  if (!number.empty()) name_ = ":" + number;
}

PrivateDisplay::~PrivateDisplay() {
  if (pid_ <= 0) return;
  ::kill(pid_, SIGTERM);
  ::waitpid(pid_, nullptr, 0);
}

Child::Child(const std::vector<std::string>& argv, const std::vector<std::string>& env) {
  pid_ = ::fork();
  if (pid_ != 0) return;
  for (const std::string& e : env) ::putenv(::strdup(e.c_str()));
  std::vector<char*> args;
  for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);
  const int null = ::open("/dev/null", O_WRONLY);
  ::dup2(null, STDOUT_FILENO);
  ::dup2(null, STDERR_FILENO);
  ::execvp(args[0], args.data());
  ::_exit(127);
}

Child::~Child() {
  stop();
}

bool Child::alive() {
  if (pid_ <= 0) return false;
  if (::waitpid(pid_, nullptr, WNOHANG) == pid_) pid_ = -1;
  return pid_ > 0;
}

void Child::stop() {
  if (!alive()) return;
  // SIGINT: JACK programs close their client on it; one that vanished would stall the server.
  ::kill(pid_, SIGINT);
  for (int i = 0; i < 100; ++i) {
    if (::waitpid(pid_, nullptr, WNOHANG) == pid_) {
      pid_ = -1;
      return;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  ::kill(pid_, SIGKILL);
  ::waitpid(pid_, nullptr, 0);
  pid_ = -1;
}

double CpuSeconds(pid_t pid) {
  std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
  std::string all((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  // The command name may hold spaces: fields count from after its closing parenthesis.
  const std::size_t close = all.rfind(')');
  if (close == std::string::npos) return -1;
  std::istringstream fields(all.substr(close + 2));
  std::string field;
  double ticks = 0;
  for (int i = 3; i <= 15 && (fields >> field); ++i)
    if (i == 14 || i == 15) ticks += std::strtod(field.c_str(), nullptr);
  return ticks / static_cast<double>(::sysconf(_SC_CLK_TCK));
}

PrivateMemory PrivateMemoryOf(pid_t pid) {
  std::ifstream in("/proc/" + std::to_string(pid) + "/smaps_rollup");
  std::string line;
  PrivateMemory m;
  while (std::getline(in, line)) {
    const bool dirty = line.rfind("Private_Dirty:", 0) == 0;
    if (!dirty && line.rfind("Private_Clean:", 0) != 0) continue;
    const long kb = std::strtol(line.c_str() + line.find(':') + 1, nullptr, 10);
    m.all_kb += kb;
    if (dirty) m.dirty_kb += kb;
  }
  return m;
}

MapWatch::MapWatch(const std::string& display) {
  xcb_connection_t* c = xcb_connect(display.c_str(), nullptr);
  if (xcb_connection_has_error(c)) {
    xcb_disconnect(c);
    return;
  }
  connection_ = c;
  const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
  const std::uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
  xcb_change_window_attributes(c, screen->root, XCB_CW_EVENT_MASK, &mask);
  const char name[] = "_NET_WM_PID";
  xcb_intern_atom_reply_t* atom =
      xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, sizeof name - 1, name), nullptr);
  if (atom) pid_atom_ = atom->atom;
  std::free(atom);
}

MapWatch::~MapWatch() {
  if (connection_) xcb_disconnect(connection_);
}

double MapWatch::WaitFor(pid_t pid, std::chrono::steady_clock::time_point since,
                         std::chrono::milliseconds timeout) {
  using Clock = std::chrono::steady_clock;
  const Clock::time_point end = Clock::now() + timeout;
  while (connection_ && Clock::now() < end) {
    xcb_generic_event_t* event = xcb_poll_for_event(connection_);
    if (!event) {
      pollfd fd{xcb_get_file_descriptor(connection_), POLLIN, 0};
      ::poll(&fd, 1, 20);
      continue;
    }
    const Clock::time_point at = Clock::now();
    const bool map = (event->response_type & 0x7F) == XCB_MAP_NOTIFY;
    const xcb_window_t window = map ? reinterpret_cast<xcb_map_notify_event_t*>(event)->window : 0;
    const bool override_redirect =
        map && reinterpret_cast<xcb_map_notify_event_t*>(event)->override_redirect;
    std::free(event);
    if (!map || override_redirect) continue;
    xcb_get_property_reply_t* reply = xcb_get_property_reply(
        connection_, xcb_get_property(connection_, 0, window, pid_atom_, XCB_ATOM_CARDINAL, 0, 1),
        nullptr);
    const bool ours = reply && xcb_get_property_value_length(reply) == 4 &&
                      *static_cast<std::uint32_t*>(xcb_get_property_value(reply)) ==
                          static_cast<std::uint32_t>(pid);
    std::free(reply);
    if (ours) return std::chrono::duration<double>(at - since).count();
  }
  return -1;
}

}  // namespace quorvane::bench
