#include "support/jack_server.h"

#include <fcntl.h>
#include <jack/jack.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <string_view>
#include <thread>
#include <vector>

#include <QByteArray>
#include <QtGlobal>

namespace quorvane::testing {
namespace {

// While the fixture polls a starting server, libjack's complaints about the
// missing server are expected; anything else still reaches stderr.
std::atomic<bool> probing{false};

void ForwardJackMessage(const char* text) {
  if (!probing.load()) std::fprintf(stderr, "%s\n", text);
}

// JACK's shared registry holds eight servers and never frees the entry of a
// killed one unless a server of the same name starts again, so names come
// from a small pool, and a name already serving is passed over.
constexpr int kNamePool = 6;

std::string PoolName(int i) {
  return "qvtest-" + std::to_string(i);
}

// Under Qt's environment lock: QtTest's watchdog thread reads the environment as each test
// function starts, and a plain setenv beside that may free what it reads.
void SetEnv(const char* name, const std::string& value) {
  qputenv(name, QByteArray::fromStdString(value));
}

}  // namespace

// QUORVANE_TEST_SERVER=pipewire (with the process run under pw-jack): PipeWire in a private
// runtime folder stands in for jackd, headless, its dummy driver running the graph.
bool JackServer::OnPipeWire() {
  const char* server = std::getenv("QUORVANE_TEST_SERVER");
  return server && std::string_view(server) == "pipewire";
}

JackServer::JackServer() : name_("qvtest-none-" + std::to_string(getpid())) {
  // Until start() picks a free name, clients find no server at all.
  // Every client in this process goes to our server, and none may spawn one.
  SetEnv("JACK_DEFAULT_SERVER", name_);
  SetEnv("JACK_NO_START_SERVER", "1");
  jack_set_error_function(&ForwardJackMessage);
  jack_set_info_function(&ForwardJackMessage);
}

JackServer::~JackServer() {
  stop();
  removeLeftovers();
  if (lock_fd_ >= 0) ::close(lock_fd_);
  std::error_code ec;
  if (!runtime_dir_.empty()) std::filesystem::remove_all(runtime_dir_, ec);
}

bool JackServer::start(std::chrono::milliseconds timeout) {
  if (running()) return true;
  if (restarting_) return launch(timeout);
  if (OnPipeWire()) {
    if (runtime_dir_.empty()) {
      char dir[] = "/tmp/quorvane-pw-XXXXXX";
      if (!mkdtemp(dir)) return false;
      runtime_dir_ = dir;
    }
    name_ = "default";
    SetEnv("XDG_RUNTIME_DIR", runtime_dir_);
    SetEnv("JACK_DEFAULT_SERVER", name_);
    const std::string quantum = std::to_string(period_) + "/" + std::to_string(kSampleRate);
    SetEnv("PIPEWIRE_QUANTUM", quantum);
    return launch(timeout);
  }
  for (int i = 0; i < kNamePool; ++i) {
    // A lock per name keeps test processes running side by side apart; the
    // system drops it when a process dies.
    const std::string lock = "/tmp/quorvane-jack-" + PoolName(i) + ".lock";
    const int fd = ::open(lock.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0) continue;
    if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
      ::close(fd);
      continue;
    }
    name_ = PoolName(i);
    if (!answers()) {  // a server nobody here started
      SetEnv("JACK_DEFAULT_SERVER", name_);
      if (launch(timeout)) {
        if (lock_fd_ >= 0) ::close(lock_fd_);
        lock_fd_ = fd;
        return true;
      }
    }
    ::close(fd);
  }
  return false;
}

bool JackServer::launch(std::chrono::milliseconds timeout) {
  removeLeftovers();
  const std::string rate = std::to_string(kSampleRate);
  const std::string period = std::to_string(period_);
  std::vector<std::string> args = {"jackd", "--no-realtime"};
  if (OnPipeWire()) args = {"pipewire"};
  if (synchronous_ && !OnPipeWire()) {
    // With a long client timeout: a loaded machine slows the graph down instead of losing
    // MIDI between clients.
    args.insert(args.end(), {"--sync", "-t", "5000"});
  }
  if (!OnPipeWire())
    args.insert(args.end(),
                {"-n", name_, "-d", "dummy", "-r", rate, "-p", period, "-C", "0", "-P", "0"});
  std::vector<char*> argv;
  for (auto& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);

  const pid_t parent = getpid();
  const pid_t pid = fork();
  if (pid < 0) return false;
  if (pid == 0) {
    // The server must not outlive a test process that crashes.
    prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (getppid() != parent) _exit(127);
    const int null = ::open("/dev/null", O_WRONLY);  // jackd chatters on both streams
    if (null >= 0) {
      dup2(null, 1);
      dup2(null, 2);
    }
    execvp(argv[0], argv.data());
    _exit(127);
  }
  pid_ = pid;

  const auto deadline = std::chrono::steady_clock::now() + timeout;
  while (std::chrono::steady_clock::now() < deadline) {
    int status = 0;
    if (waitpid(pid_, &status, WNOHANG) == pid_) {  // died during start-up
      pid_ = -1;
      return false;
    }
    if (answers()) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  stop();
  return false;
}

bool JackServer::answers() const {
  probing.store(true);
  jack_status_t status{};
  jack_client_t* client =
      jack_client_open("qvprobe", static_cast<jack_options_t>(JackNoStartServer | JackServerName),
                       &status, name_.c_str());
  if (!client) return false;
  jack_client_close(client);
  return true;
}

void JackServer::stop() {
  if (!running()) return;
  ::kill(pid_, SIGTERM);
  reap(std::chrono::seconds(5));
}

void JackServer::kill() {
  if (!running()) return;
  ::kill(pid_, SIGKILL);
  reap(std::chrono::seconds(5));
}

void JackServer::reap(std::chrono::milliseconds timeout) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  for (;;) {
    int status = 0;
    const pid_t r = waitpid(pid_, &status, WNOHANG);
    if (r == pid_ || (r < 0 && errno == ECHILD)) break;
    if (std::chrono::steady_clock::now() >= deadline) {
      ::kill(pid_, SIGKILL);
      waitpid(pid_, &status, 0);
      break;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  pid_ = -1;
}

bool JackServer::restart(std::chrono::milliseconds timeout) {
  kill();
  // Same name: clients in this process look for it there.
  restarting_ = true;
  const bool ok = start(timeout);
  restarting_ = false;
  return ok;
}

void JackServer::removeLeftovers() const {
  if (OnPipeWire()) return;
  // A killed server leaves its sockets and semaphores behind; a new server
  // under the same name would trip over them.
  namespace fs = std::filesystem;
  std::error_code ec;
  for (const auto& entry : fs::directory_iterator("/dev/shm", ec)) {
    const std::string file = entry.path().filename().string();
    if (file.find(name_) != std::string::npos) fs::remove_all(entry.path(), ec);
  }
}

}  // namespace quorvane::testing
