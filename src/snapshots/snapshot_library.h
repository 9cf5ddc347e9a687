#pragma once

#include <QByteArray>
#include <QString>
#include <array>
#include <cstdint>
#include <optional>

#include "files/settings_text_file.h"
#include "model/controller.h"

namespace quorvane {

inline constexpr int kSnapshotBanks = 4;      // "Bank A".."Bank D", numbered 1..4
inline constexpr int kSnapshotsPerBank = 10;  // slots 0..9
inline constexpr int kSnapshotNameCapacity = 50;

// A length byte followed by capacity character bytes in Windows-1252. The bytes past the
// length are carried along untouched, so a loaded file is written back as it came.
template <int Capacity>
struct ShortString {
  std::array<std::uint8_t, Capacity + 1> bytes{};

  int Length() const { return bytes[0] <= Capacity ? bytes[0] : Capacity; }
  QString Text() const;
  // Stores the first Capacity characters; those Windows-1252 lacks become "?".
  void SetText(const QString& text);
};

// One snapshot: the value and button value of definitions N = 1..120 (index N - 1) and a name.
struct TSnapshot {
  static constexpr int kSize = 291;

  std::array<std::uint8_t, kDefinitionCount> values{};
  std::array<std::uint8_t, kDefinitionCount> button_values{};
  ShortString<kSnapshotNameCapacity> name;
};

// The whole library and the image of its file.
struct TSnapshotLibrary {
  static constexpr int kFileSize = 11704;
  static constexpr int kVersionOffset = 31;
  static constexpr int kBanksOffset = 47;
  static constexpr int kPaddingOffset = 11687;
  static constexpr int kLastUsedOffset = 11688;
  static constexpr int kNoneUsed = -1;
  static constexpr int kAllUsed = 10;

  ShortString<30> file_type;
  ShortString<15> version;
  std::array<std::array<TSnapshot, kSnapshotsPerBank>, kSnapshotBanks> banks{};
  std::uint8_t padding = 0;
  // Highest slot in use per bank: -1 none, 0..9, 10 all (see SnapshotStore::SetTakeMode).
  std::array<std::int32_t, kSnapshotBanks> last_used{-1, -1, -1, -1};

  // bank 1..4, slot 0..9
  TSnapshot& At(int bank, int slot) {
    return banks.at(static_cast<std::size_t>(bank - 1)).at(static_cast<std::size_t>(slot));
  }
  const TSnapshot& At(int bank, int slot) const {
    return banks.at(static_cast<std::size_t>(bank - 1)).at(static_cast<std::size_t>(slot));
  }
  std::int32_t& LastUsed(int bank) { return last_used.at(static_cast<std::size_t>(bank - 1)); }
  std::int32_t LastUsed(int bank) const { return last_used.at(static_cast<std::size_t>(bank - 1)); }
  bool InUse(int bank, int slot) const { return slot <= LastUsed(bank); }

  // All values zero, default names, nothing in use, headers set. Bytes past the strings'
  // lengths stay as they were.
  void Clear();

  QByteArray ToBytes() const;
  // The library from the first kFileSize bytes; nullopt when fewer arrived. last_used is
  // clamped to -1..10 so that no slot outside 0..9 can be addressed, values and button values
  // to 0..127.
  static std::optional<TSnapshotLibrary> FromBytes(const QByteArray& bytes);
};

// "Snapshot " and the slot number.
QString DefaultSnapshotName(int slot);

// The file: read whole into a buffer, taken over only when complete ("Could not load the
// snapshot." otherwise, the library untouched); written atomically ("Could not save the
// snapshot." on failure, the old file kept).
FileStatus ReadLibraryFile(const QString& path, TSnapshotLibrary& library);
FileStatus WriteLibraryFile(const QString& path, const TSnapshotLibrary& library,
                            const FileWriter& writer = {});

inline const QString kCouldNotLoadSnapshot = QStringLiteral("Could not load the snapshot.");
inline const QString kCouldNotSaveSnapshot = QStringLiteral("Could not save the snapshot.");

}  // namespace quorvane
