// Any datagram into the OSC server: whatever reaches the surface commands is in range, and
// nothing reaches them from a datagram that is not a whole message of the address space.
#include <cstddef>
#include <cstdint>
#include <span>

#include "../support/checking_commands.h"
#include "osc/osc_server.h"

namespace {

using namespace quorvane;

// Checks every command's values and takes none of them.
class CheckingSurface : public SurfaceObserver, public fuzz::CheckingCommands {
 public:
  CheckingSurface() : CheckingCommands("osc message", {true, true, true}) {}
  SurfaceState State() const override { return {}; }
};

void Check(bool ok, const char* what) {
  if (!ok) fuzz::Fail("osc message", what);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  CheckingSurface surface;
  OscServer server(surface, surface);
  server.SetSender([](OscEndpoint, std::span<const std::uint8_t>) {});
  server.HandleDatagram(std::span(data, size), {0x7F000001, 9000});
  const OscCounts& c = server.Counts();
  Check(c.applied + c.ignored == 1, "a datagram was not counted once");
  // Only whole 32-bit words starting with an address can be a message.
  if (c.applied == 1) Check(size % 4 == 0 && size > 0 && data[0] == '/', "a non-message applied");
  return 0;
}
