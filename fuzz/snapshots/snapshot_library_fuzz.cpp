// The snapshot library from any bytes: short images are refused, any other loads with
// last_used in -1..10 and values in 0..127, saves to exactly its first 11,704 bytes apart from
// last_used and the values above 127, and loads again to the same image.
#include <QByteArray>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "snapshots/snapshot_library.h"

namespace {

using quorvane::TSnapshotLibrary;

[[noreturn]] void Fail(const char* what) {
  std::fprintf(stderr, "snapshot library: %s\n", what);
  std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
  const auto lib = TSnapshotLibrary::FromBytes(bytes);
  if (bytes.size() < TSnapshotLibrary::kFileSize) {
    if (lib) Fail("a short image was accepted");
    return 0;
  }
  if (!lib) Fail("a full image was refused");
  for (int b = 1; b <= quorvane::kSnapshotBanks; ++b) {
    const int last = lib->LastUsed(b);
    if (last < -1 || last > 10) Fail("last_used out of range");
    for (int s = 0; s < quorvane::kSnapshotsPerBank; ++s) {
      if (lib->At(b, s).name.Text().size() > quorvane::kSnapshotNameCapacity)
        Fail("name longer than its capacity");
      for (int i = 0; i < quorvane::kDefinitionCount; ++i)
        if (lib->At(b, s).values[i] > 127 || lib->At(b, s).button_values[i] > 127)
          Fail("value outside 0..127");
    }
  }
  const QByteArray saved = lib->ToBytes();
  if (saved.size() != TSnapshotLibrary::kFileSize) Fail("saved image has the wrong size");
  QByteArray expected = bytes.left(TSnapshotLibrary::kLastUsedOffset);
  for (int r = 0; r < quorvane::kSnapshotBanks * quorvane::kSnapshotsPerBank; ++r) {
    char* values =
        expected.data() + TSnapshotLibrary::kBanksOffset + r * quorvane::TSnapshot::kSize;
    for (int i = 0; i < 2 * quorvane::kDefinitionCount; ++i)
      if (static_cast<unsigned char>(values[i]) > 127) values[i] = 127;
  }
  if (saved.left(TSnapshotLibrary::kLastUsedOffset) != expected)
    Fail("bytes before last_used changed");
  const auto again = TSnapshotLibrary::FromBytes(saved);
  if (!again || again->ToBytes() != saved) Fail("second load gave another image");
  return 0;
}
