#pragma once
// Surface commands for the fuzz targets of remote surfaces: a value out of range, or a command
// the surface under test must never give, ends the run; every other command is taken.
#include <cstdio>
#include <cstdlib>

#include "model/controller.h"
#include "surface/surface_commands.h"

namespace quorvane::fuzz {

[[noreturn]] inline void Fail(const char* surface, const char* what) {
  std::fprintf(stderr, "%s: %s\n", surface, what);
  std::abort();
}

class CheckingCommands : public SurfaceCommands {
 public:
  // What besides slots, buttons, pages, snapshot buttons and take mode the surface may reach.
  struct Reach {
    bool definitions = false;
    bool banks = false;
    bool morph = false;
  };
  CheckingCommands(const char* surface, Reach reach) : surface_(surface), reach_(reach) {}

  CommandOutcome MoveSlot(int slot, int value, SurfaceClient) override {
    return Take(InSlots(slot) && Midi(value), "slot out of range");
  }
  CommandOutcome SetButton(int slot, int value, SurfaceClient) override {
    return Take(InSlots(slot) && (value == 0 || value == 127), "button out of range");
  }
  CommandOutcome SetDefinition(int number, int value, SurfaceClient) override {
    Reachable(reach_.definitions, "a definition");
    return Take(number >= 1 && number <= kDefinitionCount && Midi(value),
                "definition out of range");
  }
  CommandOutcome ShowPage(int page, SurfaceClient) override {
    return Take(page >= 1 && page <= kPageCount, "page out of range");
  }
  CommandOutcome ToggleCompactView(SurfaceClient) override { Fail(surface_, "compact view"); }
  CommandOutcome MinimizeOrRestore(SurfaceClient) override { Fail(surface_, "minimise"); }
  CommandOutcome SnapshotSlotAction(int slot, SurfaceClient) override {
    return Take(slot >= 0 && slot < kSurfaceSnapshotSlots, "snapshot out of range");
  }
  CommandOutcome SetTakeMode(bool, SurfaceClient) override { return CommandOutcome::kApplied; }
  CommandOutcome ToggleTakeMode(SurfaceClient) override { Fail(surface_, "take toggle"); }
  CommandOutcome ShowBank(int bank, SurfaceClient) override {
    Reachable(reach_.banks, "a bank");
    return Take(bank >= 1 && bank <= 4, "bank out of range");
  }
  CommandOutcome Recall(int, int, SurfaceClient) override { Fail(surface_, "recall"); }
  CommandOutcome Morph(int position, SurfaceClient) override {
    Reachable(reach_.morph, "the morph");
    return Take(Midi(position), "morph out of range");
  }

 private:
  static bool Midi(int v) { return v >= 0 && v <= 127; }
  static bool InSlots(int slot) { return slot >= 1 && slot <= kSlotCount; }
  CommandOutcome Take(bool ok, const char* what) const {
    if (!ok) Fail(surface_, what);
    return CommandOutcome::kApplied;
  }
  void Reachable(bool ok, const char* what) const {
    if (!ok) Fail(surface_, what);
  }

  const char* surface_;
  Reach reach_;
};

}  // namespace quorvane::fuzz
