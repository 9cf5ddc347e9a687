// Any datagram into the OSC server: whatever reaches the surface commands is in range, and
// nothing reaches them from a datagram that is not a whole message of the address space.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <span>

#include "model/controller.h"
#include "osc/osc_server.h"

namespace {

using namespace quorvane;

[[noreturn]] void Fail(const char* what) {
  std::fprintf(stderr, "osc message: %s\n", what);
  std::abort();
}

void Check(bool ok, const char* what) {
  if (!ok) Fail(what);
}

bool Midi(int v) {
  return v >= 0 && v <= 127;
}

// Checks every command's values and takes none of them.
class CheckingSurface : public SurfaceObserver, public SurfaceCommands {
 public:
  SurfaceState State() const override { return {}; }
  CommandOutcome MoveSlot(int slot, int value, SurfaceClient) override {
    Check(slot >= 1 && slot <= kSlotCount && Midi(value), "slot out of range");
    return CommandOutcome::kApplied;
  }
  CommandOutcome SetButton(int slot, int value, SurfaceClient) override {
    Check(slot >= 1 && slot <= kSlotCount && (value == 0 || value == 127), "button out of range");
    return CommandOutcome::kApplied;
  }
  CommandOutcome SetDefinition(int number, int value, SurfaceClient) override {
    Check(number >= 1 && number <= kDefinitionCount && Midi(value), "definition out of range");
    return CommandOutcome::kApplied;
  }
  CommandOutcome ShowPage(int page, SurfaceClient) override {
    Check(page >= 1 && page <= kPageCount, "page out of range");
    return CommandOutcome::kApplied;
  }
  CommandOutcome ToggleCompactView(SurfaceClient) override { Fail("compact view over OSC"); }
  CommandOutcome MinimizeOrRestore(SurfaceClient) override { Fail("minimise over OSC"); }
  CommandOutcome SnapshotSlotAction(int slot, SurfaceClient) override {
    Check(slot >= 0 && slot <= 9, "snapshot out of range");
    return CommandOutcome::kApplied;
  }
  CommandOutcome SetTakeMode(bool, SurfaceClient) override { return CommandOutcome::kApplied; }
  CommandOutcome ToggleTakeMode(SurfaceClient) override { Fail("take toggle over OSC"); }
  CommandOutcome ShowBank(int bank, SurfaceClient) override {
    Check(bank >= 1 && bank <= 4, "bank out of range");
    return CommandOutcome::kApplied;
  }
  CommandOutcome Recall(int, int, SurfaceClient) override { Fail("recall over OSC"); }
  CommandOutcome Morph(int position, SurfaceClient) override {
    Check(Midi(position), "morph out of range");
    return CommandOutcome::kApplied;
  }
};

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
