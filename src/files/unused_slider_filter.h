#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <array>
#include <cstdint>
#include <optional>

#include "model/controller.h"

namespace quorvane {

inline constexpr int kControllerNumbers = 128;    // 0..127
inline constexpr int kCapturedControllers = 121;  // 0..120 keep a captured value

using UsedControllers = std::array<bool, kControllerNumbers>;

// What a controller dump records while its prompt is open. Whoever follows the first MIDI
// input writes here while `active` is set; the filter command sets and clears it.
struct DumpCapture {
  UsedControllers used{};
  std::array<std::uint8_t, kCapturedControllers> values{};
  bool active = false;

  void Clear() {
    used.fill(false);
    values.fill(0);
  }
  // One accepted control change on a controller some definition uses.
  void Record(int controller, int value);
};

// Rearranges the definitions: those whose controller is flagged first, enabled, then the
// rest, disabled; both in their old order, each moving whole. The flag is looked up by the
// definition's own controller number, so a second run with the same flags changes nothing.
void FilterUnusedSliders(TPageSet& defs, const UsedControllers& used);

// After a dump: every definition takes its controller's captured value (0 when it sent
// nothing); a controller above 120 has no entry and keeps its value.
void ApplyCapturedValues(TPageSet& defs, const DumpCapture& capture);

// An integer as the conversion of a text reads it: decimal with an optional sign, or
// hexadecimal after "$". Nullopt when it is neither or does not fit in 32 bits.
std::optional<std::int64_t> ParseIntegerText(const QString& text);

// The conversion error for a text that is not an integer.
QString NotAnIntegerMessage(const QString& text);

// Real patch files are a few kilobytes; a larger one is refused rather than read whole.
inline constexpr qint64 kMaxPatchFileSize = qint64{16} * 1024 * 1024;

// The lines of a text, split at CR, LF or CR LF.
QStringList SplitLines(const QString& text);
// A patch file's text: UTF-8 when it is valid UTF-8, else the Windows code page.
QString DecodePatchText(const QByteArray& bytes);

// The assignments of a patch file's "[CtrlMapDump]" section.
struct PatchReadResult {
  enum class Outcome { kRead, kNoMarkers, kNotAnInteger };
  Outcome outcome = Outcome::kRead;
  QString message;  // what to tell the user when not kRead
};
inline const QString kNoAssignmentsMessage = QStringLiteral("No controller assignments found.");

// Flags in `used` the last number of each line between the first "[CtrlMapDump]" and the first
// "[/CtrlMapDump]" (whole lines, letter case ignored). Numbers outside 0..127 are ignored. A
// line whose last part is not an integer stops the reading; the flags set so far stay.
PatchReadResult ReadPatchAssignments(const QStringList& lines, UsedControllers& used);

}  // namespace quorvane
