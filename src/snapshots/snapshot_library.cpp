#include "snapshots/snapshot_library.h"

#include <algorithm>
#include <cstddef>
#include <cstring>

#include "files/text_encoding.h"

namespace quorvane {

namespace {

std::int32_t ReadInt32Le(const char* p) {
  std::uint32_t u = 0;
  for (int i = 3; i >= 0; --i) u = (u << 8) | static_cast<unsigned char>(p[i]);
  return static_cast<std::int32_t>(u);
}

void WriteInt32Le(char* p, std::int32_t v) {
  auto u = static_cast<std::uint32_t>(v);
  for (int i = 0; i < 4; ++i, u >>= 8) p[i] = static_cast<char>(u & 0xFF);
}

// Held to the MIDI range as slider files' values are: a hand-made 0xFF would reach the
// sliders and the output as it is.
void ReadMidiValues(const char* from, std::array<std::uint8_t, kDefinitionCount>& to) {
  for (std::size_t i = 0; i < to.size(); ++i)
    to[i] = std::min<std::uint8_t>(static_cast<std::uint8_t>(from[i]), 127);
}

int RecordOffset(int bank, int slot) {
  return TSnapshotLibrary::kBanksOffset +
         ((bank - 1) * kSnapshotsPerBank + slot) * TSnapshot::kSize;
}

}  // namespace

template <int Capacity>
QString ShortString<Capacity>::Text() const {
  return FromWindows1252(QByteArray(reinterpret_cast<const char*>(bytes.data()) + 1, Length()));
}

template <int Capacity>
void ShortString<Capacity>::SetText(const QString& text) {
  const QByteArray encoded = ToWindows1252(text).left(Capacity);
  bytes[0] = static_cast<std::uint8_t>(encoded.size());
  std::memcpy(bytes.data() + 1, encoded.constData(), static_cast<std::size_t>(encoded.size()));
}

template struct ShortString<30>;
template struct ShortString<15>;
template struct ShortString<kSnapshotNameCapacity>;

QString DefaultSnapshotName(int slot) {
  return QStringLiteral("Snapshot %1").arg(slot);
}

void TSnapshotLibrary::Clear() {
  for (auto& bank : banks) {
    for (int s = 0; s < kSnapshotsPerBank; ++s) {
      TSnapshot& snap = bank.at(static_cast<std::size_t>(s));
      snap.values.fill(0);
      snap.button_values.fill(0);
      snap.name.SetText(DefaultSnapshotName(s));
    }
  }
  last_used.fill(kNoneUsed);
  file_type.SetText(QStringLiteral("Snapshot Library"));
  version.SetText(QStringLiteral("1.0.0"));
}

QByteArray TSnapshotLibrary::ToBytes() const {
  QByteArray out(kFileSize, '\0');
  char* p = out.data();
  std::memcpy(p, file_type.bytes.data(), file_type.bytes.size());
  std::memcpy(p + kVersionOffset, version.bytes.data(), version.bytes.size());
  for (int b = 1; b <= kSnapshotBanks; ++b) {
    for (int s = 0; s < kSnapshotsPerBank; ++s) {
      const TSnapshot& snap = At(b, s);
      char* r = p + RecordOffset(b, s);
      std::memcpy(r, snap.values.data(), kDefinitionCount);
      std::memcpy(r + kDefinitionCount, snap.button_values.data(), kDefinitionCount);
      std::memcpy(r + std::ptrdiff_t{2} * kDefinitionCount, snap.name.bytes.data(),
                  snap.name.bytes.size());
    }
  }
  p[kPaddingOffset] = static_cast<char>(padding);
  for (int b = 0; b < kSnapshotBanks; ++b)
    WriteInt32Le(p + kLastUsedOffset + std::ptrdiff_t{4} * b,
                 last_used.at(static_cast<std::size_t>(b)));
  return out;
}

std::optional<TSnapshotLibrary> TSnapshotLibrary::FromBytes(const QByteArray& bytes) {
  if (bytes.size() < kFileSize) return std::nullopt;
  TSnapshotLibrary lib;
  const char* p = bytes.constData();
  std::memcpy(lib.file_type.bytes.data(), p, lib.file_type.bytes.size());
  std::memcpy(lib.version.bytes.data(), p + kVersionOffset, lib.version.bytes.size());
  for (int b = 1; b <= kSnapshotBanks; ++b) {
    for (int s = 0; s < kSnapshotsPerBank; ++s) {
      TSnapshot& snap = lib.At(b, s);
      const char* r = p + RecordOffset(b, s);
      ReadMidiValues(r, snap.values);
      ReadMidiValues(r + kDefinitionCount, snap.button_values);
      std::memcpy(snap.name.bytes.data(), r + std::ptrdiff_t{2} * kDefinitionCount,
                  snap.name.bytes.size());
    }
  }
  lib.padding = static_cast<std::uint8_t>(p[kPaddingOffset]);
  for (int b = 0; b < kSnapshotBanks; ++b) {
    lib.last_used.at(static_cast<std::size_t>(b)) =
        std::clamp(ReadInt32Le(p + kLastUsedOffset + std::ptrdiff_t{4} * b), kNoneUsed, kAllUsed);
  }
  return lib;
}

FileStatus ReadLibraryFile(const QString& path, TSnapshotLibrary& library) {
  // A longer file loads from its start.
  const FileRead read = ReadRegularFile(path, TSnapshotLibrary::kFileSize, Oversize::kTakeStart);
  std::optional<TSnapshotLibrary> loaded =
      read.ok() ? TSnapshotLibrary::FromBytes(read.bytes) : std::nullopt;
  if (!loaded) return FileStatus::Error(kCouldNotLoadSnapshot);
  library = *loaded;
  return FileStatus::Ok();
}

FileStatus WriteLibraryFile(const QString& path, const TSnapshotLibrary& library,
                            const FileWriter& writer) {
  return SaveFile(path, library.ToBytes(), writer, kCouldNotSaveSnapshot);
}

}  // namespace quorvane
