#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <optional>

#include "linked_ports.h"
#include "support/jack_midi_peer.h"
#include "support/jack_server.h"

namespace quorvane::testing {

// The program's ports on the running JACK test server, joined to the model and wired to a peer
// client: the output to the peer's input and, when asked, the first input from the peer's
// output.
LinkedPorts StartJackPorts(SurfaceModel& model, const JackMidiPeer& peer, bool with_input);

// A private JACK server, a peer client, and the program's ports on it joined to a model; the
// output always wired, the first input when asked.
class JackPortsTest : public ::testing::Test {
 protected:
  explicit JackPortsTest(bool with_input) : with_input_(with_input) {}

  void SetUp() override {
    ASSERT_TRUE(server_.start());
    peer_ = std::make_unique<JackMidiPeer>("peer");
    ports_.emplace(StartJackPorts(model_, *peer_, with_input_));
    ASSERT_TRUE((*ports_)->InUse(PortRole::kOutput))
        << (*ports_)->TakeMessages().join(' ').toStdString();
  }

  void TearDown() override {
    model_.Sends().StopSends();
    if (ports_) (*ports_)->CloseInUse();
    ports_.reset();
    peer_.reset();
  }

  JackServer server_;
  std::unique_ptr<JackMidiPeer> peer_;
  SurfaceModel model_;  // outlives the ports joined to it
  std::optional<LinkedPorts> ports_;

 private:
  bool with_input_;
};

}  // namespace quorvane::testing
