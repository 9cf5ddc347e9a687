#pragma once

#include <memory>

#include "midi/midi_ports.h"
#include "support/jack_midi_peer.h"

namespace quorvane {
class TSliderWindow;
}

namespace quorvane::testing {

// The program's ports on the running JACK test server, wired to a peer client: the output to
// the peer's input and, when asked, the first input from the peer's output.
std::unique_ptr<MidiPorts> StartJackPorts(TSliderWindow& model, const JackMidiPeer& peer,
                                          bool with_input);

}  // namespace quorvane::testing
