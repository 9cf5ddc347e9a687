// Any text from a page into the browser surface's message parser: whatever reaches the surface
// commands is in range, and nothing longer than the bound gets through.
#include <QByteArrayView>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "model/controller.h"
#include "web/browser_protocol.h"

namespace {

using namespace quorvane;

[[noreturn]] void Fail(const char* what) {
  std::fprintf(stderr, "browser message: %s\n", what);
  std::abort();
}

void Check(bool ok, const char* what) {
  if (!ok) Fail(what);
}

bool Midi(int v) {
  return v >= 0 && v <= 127;
}

// Checks every command's values; a page can reach only five of them.
class CheckingCommands : public SurfaceCommands {
 public:
  CommandOutcome MoveSlot(int slot, int value, SurfaceClient) override {
    Check(slot >= 1 && slot <= kSlotCount && Midi(value), "slot out of range");
    return CommandOutcome::kApplied;
  }
  CommandOutcome SetButton(int slot, int value, SurfaceClient) override {
    Check(slot >= 1 && slot <= kSlotCount && (value == 0 || value == 127), "button out of range");
    return CommandOutcome::kApplied;
  }
  CommandOutcome SetDefinition(int, int, SurfaceClient) override { Fail("definition from a page"); }
  CommandOutcome ShowPage(int page, SurfaceClient) override {
    Check(page >= 1 && page <= kPageCount, "page out of range");
    return CommandOutcome::kApplied;
  }
  CommandOutcome ToggleCompactView(SurfaceClient) override { Fail("compact view from a page"); }
  CommandOutcome MinimizeOrRestore(SurfaceClient) override { Fail("minimise from a page"); }
  CommandOutcome SnapshotSlotAction(int slot, SurfaceClient) override {
    Check(slot >= 0 && slot <= 9, "snapshot out of range");
    return CommandOutcome::kApplied;
  }
  CommandOutcome SetTakeMode(bool, SurfaceClient) override { return CommandOutcome::kApplied; }
  CommandOutcome ToggleTakeMode(SurfaceClient) override { Fail("take toggle from a page"); }
  CommandOutcome ShowBank(int, SurfaceClient) override { Fail("bank from a page"); }
  CommandOutcome Recall(int, int, SurfaceClient) override { Fail("recall from a page"); }
  CommandOutcome Morph(int, SurfaceClient) override { Fail("morph from a page"); }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const QByteArrayView text(data, static_cast<qsizetype>(size));
  const std::optional<BrowserCommand> command = ParseBrowserMessage(text);
  if (!command) return 0;
  Check(size <= static_cast<std::size_t>(kMaxBrowserMessage), "a long message taken");
  CheckingCommands commands;
  ApplyBrowserCommand(*command, commands, 1);
  return 0;
}
