#pragma once

#include <string>
#include <vector>

namespace quorvane {

// The names a service gives the program's own ports: the one the port being opened asked for,
// else the next free "MIDI Out" / "MIDI In 1", "Remote In" one. Never two alike at a time.
class PortNames {
 public:
  void SetNext(const std::string& name) { next_ = name; }
  std::string Take(bool output);
  void GiveBack(const std::string& name);

 private:
  bool Used(const std::string& name) const;

  std::vector<std::string> used_;
  std::string next_;  // asked for by the port being opened
};

}  // namespace quorvane
