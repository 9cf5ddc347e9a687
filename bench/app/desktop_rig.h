// What the benchmarks of the whole program share: a private X server, a child process run with
// its own environment, and what /proc says of that process.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <string>
#include <vector>

struct xcb_connection_t;

namespace quorvane::bench {

// Xvfb on a display number it picks itself; stopped by the destructor.
class PrivateDisplay {
 public:
  PrivateDisplay();
  ~PrivateDisplay();
  PrivateDisplay(const PrivateDisplay&) = delete;
  PrivateDisplay& operator=(const PrivateDisplay&) = delete;
  bool ok() const { return !name_.empty(); }
  const std::string& name() const { return name_; }  // ":N"

 private:
  pid_t pid_ = -1;
  std::string name_;
};

// A program started with extra environment (NAME=value each); SIGINT and reaped by the
// destructor unless it has ended.
class Child {
 public:
  Child(const std::vector<std::string>& argv, const std::vector<std::string>& env);
  ~Child();
  Child(const Child&) = delete;
  Child& operator=(const Child&) = delete;
  pid_t pid() const { return pid_; }
  bool alive();
  void stop();

 private:
  pid_t pid_ = -1;
};

// utime + stime of the process so far, in seconds.
double CpuSeconds(pid_t pid);
// Private_Clean + Private_Dirty of the process, and Private_Dirty alone, in KiB (smaps_rollup).
// The clean part counts library pages that no other process on the display happens to map.
struct PrivateMemory {
  long all_kb = 0;
  long dirty_kb = 0;
};
PrivateMemory PrivateMemoryOf(pid_t pid);

// Watches the display's top-level windows being mapped; made before the program starts, so
// that no map goes unseen.
class MapWatch {
 public:
  explicit MapWatch(const std::string& display);
  ~MapWatch();
  MapWatch(const MapWatch&) = delete;
  MapWatch& operator=(const MapWatch&) = delete;
  bool ok() const { return connection_ != nullptr; }
  // Seconds from `since` to the first top-level window of process `pid` mapped; negative when
  // none was within the timeout.
  double WaitFor(pid_t pid, std::chrono::steady_clock::time_point since,
                 std::chrono::milliseconds timeout);

 private:
  xcb_connection_t* connection_ = nullptr;
  unsigned pid_atom_ = 0;
};

}  // namespace quorvane::bench
