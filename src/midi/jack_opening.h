#pragma once

#include <string>
#include <thread>

#include <jack/types.h>

namespace quorvane {

// A JACK client opened on a thread of its own, so that the wait for the server (about twenty
// milliseconds) runs while the program builds its windows. The service made for JACK takes the
// client over; one nobody took is closed.
class JackOpening {
 public:
  JackOpening(std::string client_name, std::string server_name);
  ~JackOpening();
  JackOpening(const JackOpening&) = delete;
  JackOpening& operator=(const JackOpening&) = delete;
  // Waits for the open to end: the client, now the caller's, or nullptr without a server.
  jack_client_t* Take();

 private:
  jack_client_t* client_ = nullptr;
  std::thread thread_;
};

}  // namespace quorvane
