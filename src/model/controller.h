#pragma once

#include <QString>
#include <array>
#include <cstdint>

namespace quorvane {

inline constexpr int kPageCount = 5;
inline constexpr int kSlotCount = 24;
inline constexpr int kDefinitionCount = kPageCount * kSlotCount;  // 120
inline constexpr std::uint32_t kDefaultColor = 0xEEFFFF;          // 0x00BBGGRR

// One controller definition: one slider slot on one page.
struct Tcontroller {
  std::uint8_t ctrl = 0;
  std::uint8_t value = 0;
  std::uint8_t upper_range = 0;
  std::uint8_t lower_range = 0;
  std::uint8_t channel = 0;  // 1..16, 0 = global channel
  QString caption;
  std::uint32_t color = 0;
  bool selected = false;
  bool enabled = false;
  std::uint8_t button_ctrl = 0;
  std::uint8_t button_channel = 0;  // 0 = global channel
  std::uint8_t button_value = 0;    // 127 = down, 0 = up
  bool use_slider = false;

  // The definition that "Initialize Slider Settings" gives sequence number n (1..120).
  static Tcontroller Initial(int n);

  bool operator==(const Tcontroller&) const = default;
};

// Page/slot/index/N arithmetic. Pages 1..5, slots 1..24, index 0..119, N 1..120.
constexpr int IndexOf(int page, int slot) {
  return (page - 1) * kSlotCount + (slot - 1);
}
constexpr int SequenceNumber(int page, int slot) {
  return IndexOf(page, slot) + 1;
}
constexpr int PageOfIndex(int index) {
  return index / kSlotCount + 1;
}
constexpr int SlotOfIndex(int index) {
  return index % kSlotCount + 1;
}

// Exactly 120 definitions, indexed 0..119.
class TPageSet {
 public:
  TPageSet();  // blank definitions (all fields zero)

  Tcontroller& operator[](int index) { return defs_.at(static_cast<std::size_t>(index)); }
  const Tcontroller& operator[](int index) const {
    return defs_.at(static_cast<std::size_t>(index));
  }
  Tcontroller& at(int page, int slot) { return (*this)[IndexOf(page, slot)]; }
  const Tcontroller& at(int page, int slot) const { return (*this)[IndexOf(page, slot)]; }
  Tcontroller& byNumber(int n) { return (*this)[n - 1]; }
  const Tcontroller& byNumber(int n) const { return (*this)[n - 1]; }

  void Initialize();  // every definition to Tcontroller::Initial(N)

  auto begin() { return defs_.begin(); }
  auto end() { return defs_.end(); }
  auto begin() const { return defs_.begin(); }
  auto end() const { return defs_.end(); }

  bool operator==(const TPageSet&) const = default;

 private:
  std::array<Tcontroller, kDefinitionCount> defs_;
};

// --- Encodings -------------------------------------------------------------

// Round to nearest, ties to even, independent of the floating-point environment.
int RoundHalfEven(double x);
std::uint8_t ClampMidi(int v);

// 1. Track bar position: the top end is position 0.
constexpr int TrackBarPosition(int value) {
  return 127 - value;
}
constexpr int ValueFromPosition(int position) {
  return 127 - position;
}

// 3. Range marker: positions spanned by the track bar's selection marker.
struct RangeMarker {
  int start = 64;
  int end = 64;
  bool operator==(const RangeMarker&) const = default;
};
RangeMarker RangeMarkerFor(int upper_range, int lower_range);
inline bool HasRange(const Tcontroller& c) {
  return c.upper_range != c.lower_range;
}

// 4. Clearing a range writes 63 to both bounds.
inline constexpr std::uint8_t kClearedRange = 63;

// 5. Range scaling of a drive value v (vector controller) and of the morph position m.
std::uint8_t ScaleDriveValue(const Tcontroller& c, int v);
std::uint8_t MorphValue(const Tcontroller& c, int m);

// 6. Effective channel: 0 stands for the global channel.
constexpr int EffectiveChannel(int channel, int global_channel) {
  return channel != 0 ? channel : global_channel;
}
constexpr std::uint8_t ControlChangeStatus(int effective_channel) {
  return static_cast<std::uint8_t>(0xB0 + ((effective_channel - 1) & 0x0F));
}

// 7. Toggle-button display.
bool ButtonShownDown(const Tcontroller& c);
bool ButtonShownDownForValue(const Tcontroller& c, int slider_value);

// 8. Caption text colour for contrast: black when any component is 128 or more.
inline constexpr std::uint32_t kBlack = 0x000000;
inline constexpr std::uint32_t kWhite = 0xFFFFFF;
std::uint32_t CaptionTextColor(std::uint32_t background);

}  // namespace quorvane
