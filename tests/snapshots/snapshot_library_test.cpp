#include "snapshots/snapshot_library.h"

#include <sys/stat.h>

#include <gtest/gtest.h>

#include <QFile>
#include <QFileInfo>
#include <algorithm>

#include "support/temp_dir.h"

namespace quorvane {
namespace {

using testing::TempDir;

QByteArray ReadAll(const QString& path) {
  QFile f(path);
  EXPECT_TRUE(f.open(QIODevice::ReadOnly));
  return f.readAll();
}

TSnapshotLibrary Fresh() {
  TSnapshotLibrary lib;
  lib.Clear();
  return lib;
}

TEST(SnapshotLibraryFile, FreshLibrarySavedAtOnceHasTheDocumentedBytes) {
  TempDir dir;
  const QString path = dir.file("fresh.snp");
  ASSERT_TRUE(WriteLibraryFile(path, Fresh()));
  const QByteArray b = ReadAll(path);
  ASSERT_EQ(b.size(), 11704);
  EXPECT_EQ(b.left(17), QByteArray("\x10Snapshot Library"));
  EXPECT_EQ(b.mid(31, 6), QByteArray("\x05"
                                     "1.0.0"));
  // Bank 1 slot 0: 240 zero bytes, then length 10 and the default name.
  EXPECT_EQ(b.mid(47, 240), QByteArray(240, '\0'));
  EXPECT_EQ(b.mid(47 + 240, 11), QByteArray("\x0aSnapshot 0"));
  EXPECT_EQ(b.mid(11688, 16), QByteArray(16, '\xFF'));
}

TEST(SnapshotLibraryFile, RecordsLieBankMajorWithValuesButtonsAndName) {
  TSnapshotLibrary lib = Fresh();
  lib.At(3, 5).values[0] = 11;
  lib.At(3, 5).values[119] = 12;
  lib.At(3, 5).button_values[0] = 127;
  lib.At(3, 5).name.SetText(QStringLiteral("C five"));
  lib.LastUsed(2) = 7;
  const QByteArray b = lib.ToBytes();
  const int at = 47 + ((3 - 1) * 10 + 5) * 291;
  EXPECT_EQ(b.at(at), 11);
  EXPECT_EQ(b.at(at + 119), 12);
  EXPECT_EQ(static_cast<unsigned char>(b.at(at + 120)), 127);
  EXPECT_EQ(b.mid(at + 240, 7), QByteArray("\x06"
                                           "C five"));
  EXPECT_EQ(b.mid(11688 + 4, 4), QByteArray("\x07\0\0\0", 4));
  // Bank 4 slot 9 is the last record, ending at the padding byte.
  EXPECT_EQ(b.mid(47 + 39 * 291 + 240, 11), QByteArray("\x0aSnapshot 9"));
  EXPECT_EQ(47 + 40 * 291, 11687);
}

TEST(SnapshotLibraryFile, HandMadeLastUsedOutsideItsRangeIsClampedOnLoading) {
  const struct {
    std::uint32_t stored;  // as written in the file, little-endian
    std::int32_t loaded;
  } cases[] = {{99, 10}, {10, 10}, {9, 9}, {0xFFFFFFFF, -1}, {0xFFFFFFFE, -1}, {0x80000000, -1}};
  TempDir dir;
  for (const auto& c : cases) {
    QByteArray image(11704, '\0');
    for (int i = 0; i < 4; ++i) image[11688 + 8 + i] = static_cast<char>(c.stored >> (8 * i));
    TSnapshotLibrary lib;
    ASSERT_TRUE(ReadLibraryFile(dir.write("hand.snp", image), lib));
    EXPECT_EQ(lib.LastUsed(3), c.loaded) << c.stored;
    EXPECT_EQ(lib.LastUsed(1), 0);
  }
}

TEST(SnapshotLibraryFile, ValuesAboveTheMidiRangeAreHeldTo127OnLoading) {
  for (const int stored : {0xFF, 0x80, 127, 0, 64}) {
    QByteArray image = Fresh().ToBytes();
    const int at = 47 + (2 * 10 + 3) * 291;  // bank 3, slot 3
    image[at + 5] = image[at + 120 + 119] = static_cast<char>(stored);
    const auto lib = TSnapshotLibrary::FromBytes(image);
    EXPECT_EQ(lib->At(3, 3).values[5], std::min(stored, 127)) << stored;
    EXPECT_EQ(lib->At(3, 3).button_values[119], std::min(stored, 127)) << stored;
  }
}

TEST(SnapshotLibraryFile, ShortFileIsRefusedAndLongerOneLoadsFromItsStart) {
  TempDir dir;
  TSnapshotLibrary source = Fresh();
  source.At(1, 0).name.SetText(QStringLiteral("From file"));
  source.LastUsed(1) = 0;
  QByteArray image = source.ToBytes();

  const struct {
    int size;
    bool loads;
  } cases[] = {{11703, false}, {0, false}, {11704, true}, {12000, true}};
  for (const auto& c : cases) {
    QByteArray bytes = image.left(c.size);
    if (c.size > image.size()) bytes += QByteArray(c.size - image.size(), '\x7F');
    const QString path = dir.write(QStringLiteral("f%1.snp").arg(c.size), bytes);
    TSnapshotLibrary lib = Fresh();
    lib.At(2, 2).name.SetText(QStringLiteral("kept"));
    const TSnapshotLibrary before = lib;
    const FileStatus status = ReadLibraryFile(path, lib);
    EXPECT_EQ(status.ok, c.loads) << c.size;
    if (c.loads) {
      EXPECT_EQ(lib.At(1, 0).name.Text(), QStringLiteral("From file"));
      EXPECT_EQ(lib.ToBytes(), image);
    } else {
      EXPECT_EQ(status.message, QStringLiteral("Could not load the snapshot."));
      EXPECT_EQ(lib.ToBytes(), before.ToBytes()) << "library untouched";
    }
  }
}

TEST(SnapshotLibraryFile, MissingFileFolderOrFifoCannotBeLoadedAndAFifoNotSavedOnto) {
  TempDir dir;
  const QString fifo = dir.file("pipe.snp");
  ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
  TSnapshotLibrary lib = Fresh();
  const QByteArray before = lib.ToBytes();
  for (const QString& path : {dir.file("absent.snp"), dir.path(), fifo}) {
    const FileStatus status = ReadLibraryFile(path, lib);
    EXPECT_FALSE(status.ok);
    EXPECT_EQ(status.message, QStringLiteral("Could not load the snapshot."));
    EXPECT_EQ(lib.ToBytes(), before);
  }
  // Nor saved onto: the FIFO stays.
  EXPECT_EQ(WriteLibraryFile(fifo, Fresh()).message, fifo + " is not a regular file");
  EXPECT_TRUE(QFileInfo::exists(fifo) && !QFileInfo(fifo).isFile());
}

TEST(SnapshotLibraryFile, HeaderTailAndPaddingBytesAreWrittenBackUnchanged) {
  QByteArray image = Fresh().ToBytes();
  for (int i = 0; i < 31; ++i) image[i] = static_cast<char>(0xA0 + i);  // foreign header
  image[0] = 3;
  image[31 + 9] = 'x';             // past the version's length
  image[47 + 240 + 1 + 30] = 'z';  // past slot 0's name
  image[11687] = '\x5A';           // padding
  const auto lib = TSnapshotLibrary::FromBytes(image);
  ASSERT_TRUE(lib);
  EXPECT_EQ(lib->ToBytes(), image);

  // A shorter new name keeps the old tail bytes past its length.
  TSnapshotLibrary renamed = *lib;
  renamed.At(1, 0).name.SetText(QStringLiteral("ab"));
  const QByteArray out = renamed.ToBytes();
  EXPECT_EQ(out.mid(47 + 240, 3), QByteArray("\x02"
                                             "ab"));
  EXPECT_EQ(out.mid(47 + 240 + 3, 8), QByteArray("apshot 0"));
  EXPECT_EQ(out.at(47 + 240 + 1 + 30), 'z');
}

TEST(SnapshotLibraryFile, NamesAreWindows1252WithQuestionMarksForTheRest) {
  const struct {
    QString text;
    QByteArray stored;
    QString read_back;
  } cases[] = {
      {QStringLiteral("Caf\u00e9"),
       QByteArray("\x04"
                  "Caf\xE9"),
       QStringLiteral("Caf\u00e9")},
      {QStringLiteral("\u20ac5"),
       QByteArray("\x02\x80"
                  "5"),
       QStringLiteral("\u20ac5")},
      {QStringLiteral("\u4e2d\U0001F600"), QByteArray("\x02??"), QStringLiteral("??")},
  };
  TempDir dir;
  for (const auto& c : cases) {
    TSnapshotLibrary lib = Fresh();
    lib.At(4, 9).name.SetText(c.text);
    const QString path = dir.file("names.snp");
    ASSERT_TRUE(WriteLibraryFile(path, lib));
    const QByteArray bytes = ReadAll(path);
    EXPECT_EQ(bytes.mid(47 + 39 * 291 + 240, c.stored.size()), c.stored);
    TSnapshotLibrary back = Fresh();
    ASSERT_TRUE(ReadLibraryFile(path, back));
    EXPECT_EQ(back.At(4, 9).name.Text(), c.read_back);
  }
}

TEST(SnapshotLibraryFile, LengthByteAboveCapacityReadsAtMostFiftyCharacters) {
  QByteArray image = Fresh().ToBytes();
  image[47 + 240] = static_cast<char>(200);
  const auto lib = TSnapshotLibrary::FromBytes(image);
  ASSERT_TRUE(lib);
  EXPECT_EQ(lib->At(1, 0).name.Text().size(), 50);
  EXPECT_EQ(lib->ToBytes(), image);
}

TEST(SnapshotLibraryFile, FailedSaveKeepsTheOldFileAndSaysSo) {
  TempDir dir;
  const QString path = dir.write("old.snp", "old contents");
  const FileStatus status =
      WriteLibraryFile(path, Fresh(), [](const QString&, const QByteArray&) { return false; });
  EXPECT_FALSE(status.ok);
  EXPECT_EQ(status.message, QStringLiteral("Could not save the snapshot."));
  EXPECT_EQ(ReadAll(path), QByteArray("old contents"));
}

TEST(SnapshotLibraryFile, SaveReplacesAnExistingFileWhole) {
  TempDir dir;
  const QString path = dir.write("big.snp", QByteArray(20000, 'q'));
  ASSERT_TRUE(WriteLibraryFile(path, Fresh()));
  EXPECT_EQ(QFileInfo(path).size(), 11704);
}

}  // namespace
}  // namespace quorvane
