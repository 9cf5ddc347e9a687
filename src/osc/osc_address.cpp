#include "osc/osc_address.h"

#include <array>
#include <cmath>
#include <utility>

#include "model/controller.h"

namespace quorvane {
namespace {

constexpr int kMidiMax = 127;
constexpr int kSnapshotButtons = 10;
// The snapshot banks A..D; the snapshots layer is out of reach, the command checks again.
constexpr int kBanks = 4;

// How a target's value is read, and the range its number must lie in.
enum class Reading : std::uint8_t {
  kLevel,   // int 0..127, or float 0..1 scaled to 0..127
  kToggle,  // int 0 or 1, or float 0..1 (down from one half): 0 or 127
  kWhole,   // int in [lo, hi], or a float holding such a whole number
};

struct Row {
  std::string_view name;
  OscTarget target;
  int index_count;  // 0: the address takes no index
  Reading reading;
  int lo, hi;
};

constexpr std::array<Row, 8> kRows{{
    {"slot", OscTarget::kSlot, kSlotCount, Reading::kLevel, 0, kMidiMax},
    {"button", OscTarget::kButton, kSlotCount, Reading::kToggle, 0, 1},
    {"page", OscTarget::kPage, 0, Reading::kWhole, 1, kPageCount},
    {"definition", OscTarget::kDefinition, kDefinitionCount, Reading::kLevel, 0, kMidiMax},
    {"snapshot", OscTarget::kSnapshot, 0, Reading::kWhole, 0, kSnapshotButtons - 1},
    {"take", OscTarget::kTake, 0, Reading::kWhole, 0, 1},
    {"bank", OscTarget::kBank, 0, Reading::kWhole, 1, kBanks},
    {"morph", OscTarget::kMorph, 0, Reading::kLevel, 0, kMidiMax},
}};

// "17" -> 17 within 1..most; no sign, no leading zero, nothing after.
std::optional<int> ParseIndex(std::string_view text, int most) {
  if (text.empty() || text.size() > 3 || text.front() == '0') return std::nullopt;
  int n = 0;
  for (const char c : text) {
    if (c < '0' || c > '9') return std::nullopt;
    n = n * 10 + (c - '0');
  }
  if (n > most) return std::nullopt;
  return n;
}

std::optional<int> ReadValue(const Row& row, const OscArgument& arg) {
  const bool is_float = arg.type == 'f';
  if (arg.type != 'i' && !is_float) return std::nullopt;
  const double x = arg.number;
  if (!std::isfinite(x)) return std::nullopt;
  switch (row.reading) {
    case Reading::kLevel:
      if (is_float) {
        if (x < 0 || x > 1) return std::nullopt;
        return static_cast<int>(std::lround(x * kMidiMax));
      }
      if (x < row.lo || x > row.hi) return std::nullopt;
      return static_cast<int>(x);
    case Reading::kToggle:
      if (is_float) {
        if (x < 0 || x > 1) return std::nullopt;
        return x >= 0.5 ? kMidiMax : 0;
      }
      if (x != 0 && x != 1) return std::nullopt;
      return x == 1 ? kMidiMax : 0;
    case Reading::kWhole:
      if (x != std::floor(x) || x < row.lo || x > row.hi) return std::nullopt;
      return static_cast<int>(x);
  }
  return std::nullopt;
}

}  // namespace

std::optional<OscCommand> ParseOscMessage(std::string_view path,
                                          std::span<const OscArgument> args) {
  if (path.size() > kMaxOscPathLength || !path.starts_with(kOscPrefix)) return std::nullopt;
  if (args.size() != 1) return std::nullopt;
  std::string_view rest = path.substr(kOscPrefix.size());
  const std::size_t slash = rest.find('/');
  const std::string_view name = rest.substr(0, slash);
  for (const Row& row : kRows) {
    if (row.name != name) continue;
    OscCommand command;
    command.target = row.target;
    if (row.index_count > 0) {
      if (slash == std::string_view::npos) return std::nullopt;
      const std::optional<int> index = ParseIndex(rest.substr(slash + 1), row.index_count);
      if (!index) return std::nullopt;
      command.index = *index;
    } else if (slash != std::string_view::npos) {
      return std::nullopt;
    }
    const std::optional<int> value = ReadValue(row, args.front());
    if (!value) return std::nullopt;
    command.value = *value;
    command.as_float = args.front().type == 'f';
    return command;
  }
  return std::nullopt;
}

std::string_view OscTargetName(OscTarget target) {
  for (const Row& row : kRows)
    if (row.target == target) return row.name;
  return {};
}

}  // namespace quorvane
