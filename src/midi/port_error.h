#pragma once

#include <stdexcept>
#include <string>

namespace quorvane {

// A MIDI port refused an operation or the MIDI service reported an error; what() is the text
// shown to the user.
class PortError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

class EmidioutputError : public PortError {
 public:
  using PortError::PortError;
};

class EMidiInputError : public PortError {
 public:
  using PortError::PortError;
};

// Shown when the service cannot describe its own result code.
inline constexpr const char* kErrorNumberOutOfRange = "Specified error number is out of range";

}  // namespace quorvane
