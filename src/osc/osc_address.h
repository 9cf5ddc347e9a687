#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

namespace quorvane {

// What an OSC message may ask of the surface.
enum class OscTarget : std::uint8_t {
  kSlot,        // /quorvane/slot/N, N 1..24 of the page shown
  kButton,      // /quorvane/button/N
  kPage,        // /quorvane/page
  kDefinition,  // /quorvane/definition/N, N 1..120 on any page
  kSnapshot,    // /quorvane/snapshot, as snapshot button 0..9
  kTake,        // /quorvane/take
  kBank,        // /quorvane/bank
  kMorph,       // /quorvane/morph
};

// One argument as it came: its OSC type tag and its number. Only 'i' and 'f' are read.
struct OscArgument {
  char type = 'i';
  double number = 0;
};

// A message read whole and checked: every value is in range for its target.
struct OscCommand {
  OscTarget target = OscTarget::kSlot;
  int index = 0;  // N of the address; 0 where the address has none
  int value = 0;  // 0..127 for slots, definitions, buttons and morph; else the number itself
  bool as_float = false;  // the client sent a float: feedback answers in floats

  bool operator==(const OscCommand&) const = default;
};

inline constexpr std::string_view kOscPrefix = "/quorvane/";
// Addresses longer than this are refused before any parsing.
inline constexpr std::size_t kMaxOscPathLength = 64;

// The command of one message, or nothing when the address is unknown, the arguments are not
// exactly one int or float, or the value is out of range. Nothing is applied half.
std::optional<OscCommand> ParseOscMessage(std::string_view path, std::span<const OscArgument> args);

// The address feedback uses for a slot or a button of the page shown.
std::string_view OscTargetName(OscTarget target);

}  // namespace quorvane
