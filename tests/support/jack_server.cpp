#include "support/jack_server.h"

#include <fcntl.h>
#include <jack/jack.h>
#include <signal.h>
#include <spawn.h>
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

extern char** environ;

namespace quorvane::testing {
namespace {

// While the fixture polls a starting server, libjack's complaints about the
// missing server are expected; anything else still reaches stderr.
std::atomic<bool> probing{false};

void ForwardJackMessage(const char* text) {
  if (!probing.load()) std::fprintf(stderr, "%s\n", text);
}

std::string UniqueName() {
  static std::atomic<int> counter{0};
  return "qvtest-" + std::to_string(getpid()) + "-" + std::to_string(counter++);
}

}  // namespace

JackServer::JackServer() : name_(UniqueName()) {
  // Every client in this process goes to our server, and none may spawn one.
  setenv("JACK_DEFAULT_SERVER", name_.c_str(), 1);
  setenv("JACK_NO_START_SERVER", "1", 1);
  jack_set_error_function(&ForwardJackMessage);
  jack_set_info_function(&ForwardJackMessage);
}

JackServer::~JackServer() {
  stop();
  removeLeftovers();
}

bool JackServer::start(std::chrono::milliseconds timeout) {
  if (running()) return true;
  removeLeftovers();
  const std::string rate = std::to_string(kSampleRate);
  const std::string period = std::to_string(kPeriod);
  std::vector<std::string> args = {"jackd", "--no-realtime", "-n", name_, "-d", "dummy", "-r", rate,
                                   "-p",    period,          "-C", "0",   "-P", "0"};
  std::vector<char*> argv;
  for (auto& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  // jackd chatters on both streams; the test output stays clean.
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  pid_t pid = -1;
  const int rc = posix_spawnp(&pid, "jackd", &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (rc != 0) return false;
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
  return start(timeout);
}

void JackServer::removeLeftovers() const {
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
