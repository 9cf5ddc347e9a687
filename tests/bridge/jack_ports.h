#pragma once

#include "linked_ports.h"
#include "support/jack_midi_peer.h"

namespace quorvane::testing {

// The program's ports on the running JACK test server, joined to the model and wired to a peer
// client: the output to the peer's input and, when asked, the first input from the peer's
// output.
LinkedPorts StartJackPorts(SurfaceModel& model, const JackMidiPeer& peer, bool with_input);

}  // namespace quorvane::testing
