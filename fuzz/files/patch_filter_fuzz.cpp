// Any bytes, read as a patch file and as a dump request text, must not crash; the filter keeps
// every definition, puts the enabled ones first and changes nothing when run again, and a
// parsed dump request reads back the same from its own bytes.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "files/dump_request.h"
#include "files/unused_slider_filter.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace quorvane;
  const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
  const QString text = DecodePatchText(bytes);

  UsedControllers used{};
  const PatchReadResult read = ReadPatchAssignments(SplitLines(text), used);
  if (read.outcome != PatchReadResult::Outcome::kRead && read.message.isEmpty()) std::abort();
  TPageSet defs;
  defs.Initialize();
  // Controller numbers out of order, some repeated, so the lookup by number matters.
  for (int i = 0; i < kDefinitionCount; ++i)
    defs[i].ctrl = static_cast<std::uint8_t>((i * 37 + static_cast<int>(size)) % 128);
  TPageSet filtered = defs;
  FilterUnusedSliders(filtered, used);
  int enabled = 0;
  bool seen_disabled = false;
  for (const Tcontroller& d : filtered) {
    if (d.enabled != used[d.ctrl]) std::abort();
    if (d.enabled && seen_disabled) std::abort();
    seen_disabled = seen_disabled || !d.enabled;
    enabled += d.enabled ? 1 : 0;
  }
  int expected = 0;
  for (const Tcontroller& d : defs) expected += used[d.ctrl] ? 1 : 0;
  if (enabled != expected) std::abort();
  TPageSet again = filtered;
  FilterUnusedSliders(again, used);
  if (!(again == filtered)) std::abort();

  const auto parsed = ParseSysexString(text);
  if (parsed) {
    if (parsed->empty()) std::abort();
    if (parsed->front() == 0xF0 && parsed->back() != 0xF7) std::abort();  // never sent cut
    QStringList tokens;
    for (std::uint8_t b : *parsed) tokens << QString::asprintf("%02X", b);
    if (ParseSysexString(tokens.join(u' ')) != parsed) std::abort();
  }
  return 0;
}
