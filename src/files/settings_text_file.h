#pragma once

#include <QByteArray>
#include <QString>
#include <chrono>
#include <cstdint>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "files/atomic_file.h"

namespace quorvane {

// How the text of a settings file is stored.
enum class TextEncoding { kUtf8, kWindows1252 };

// An ini-style settings file held in memory. Reading never fails: absent keys and unreadable
// values give the caller's default. Writes change the memory copy; Save() writes the file once.
// Lines that are not rewritten keep their bytes, line endings included. A file that is valid
// UTF-8 is read as UTF-8, any other as Windows-1252; written text keeps that encoding. A
// leading UTF-8 byte-order mark is skipped on reading and kept on writing. LF, CRLF and a
// lone CR all end a line.
class SettingsTextFile {
 public:
  // Real files are about 50 KB; the cap bounds the memory an adversarial file can take.
  static constexpr qint64 kMaxFileSize = qint64{4} * 1024 * 1024;
  static constexpr int kMaxValueLength = 2047;

  explicit SettingsTextFile(QString path = {});

  // Reads the file. A missing file is not an error: it reads as empty. A folder, an unreadable
  // file, one larger than kMaxFileSize or anything but a regular file (a FIFO, a device) gives
  // an error and leaves the copy empty; Load never blocks on such a file.
  FileStatus Load();
  // Takes the contents from memory instead of the disk (tests, fuzzing).
  void LoadFromBytes(const QByteArray& bytes);

  // Writes the whole file; on failure the file on disk is left as it was and the message is
  // "Unable to write to <path>".
  FileStatus Save() const;
  QByteArray ToBytes() const;

  const QString& path() const { return path_; }
  bool existed() const { return existed_; }
  // The encoding the file was read in (UTF-8 for a new file); written strings use it.
  TextEncoding encoding() const { return encoding_; }
  void SetWriter(FileWriter writer) { writer_ = std::move(writer); }

  bool HasKey(const QString& section, const QString& key) const;
  // A value longer than max_length characters is cut there (never inside a character).
  QString ReadString(const QString& section, const QString& key, const QString& def,
                     qsizetype max_length = kMaxValueLength) const;
  std::int32_t ReadInteger(const QString& section, const QString& key, std::int32_t def) const;
  bool ReadBool(const QString& section, const QString& key, bool def) const;
  // Keeps the low eight bits of the integer read: 300 gives 44, -1 gives 255.
  std::uint8_t ReadByte(const QString& section, const QString& key, std::uint8_t def) const;

  void WriteString(const QString& section, const QString& key, const QString& value);
  void WriteInteger(const QString& section, const QString& key, std::int32_t value);
  void WriteBool(const QString& section, const QString& key, bool value);

  // Integer syntax of the format: decimal with optional sign, "0x"/"0X" or "$" hexadecimal.
  static bool ParseInteger(const QByteArray& text, std::int32_t* out);

 private:
  // A key line, a section line, or a run of other lines kept as one opaque chunk (so blank
  // lines and comments cost nothing per line). Texts are views into source_ until rewritten.
  struct Line {
    QByteArray text;  // a key or section line without its ending; a chunk with its endings
    QByteArray eol;   // "\n", "\r\n", "\r" or empty (chunks, and a last line without one)
    bool is_key = false;
  };
  // FNV-1a: keys are short, and this is several times faster than the library's hash here.
  struct KeyHash {
    std::size_t operator()(const QByteArray& k) const noexcept {
      std::uint64_t h = 14695981039346656037ull;
      for (const char c : k) h = (h ^ static_cast<unsigned char>(c)) * 1099511628211ull;
      return static_cast<std::size_t>(h);
    }
  };
  using KeyIndex = std::unordered_map<QByteArray, int, KeyHash>;

  struct Section {
    Line header;  // "[name]" line; unused for the lines before the first section
    bool has_header = false;
    std::vector<Line> lines;
    KeyIndex keys;  // lower-case key -> index into lines (first occurrence)
  };

  const Line* FindLine(const QString& section, const QString& key) const;
  void WriteRaw(const QString& section, const QString& key, const QByteArray& value);
  void Clear();
  QByteArray Encode(const QString& text) const;
  QByteArray LowerName(const QString& name) const;

  QString path_;
  QByteArray source_;  // the bytes loaded; the lines point into it
  bool existed_ = false;
  QByteArray default_eol_;
  TextEncoding encoding_ = TextEncoding::kUtf8;
  bool bom_ = false;  // the file starts with a UTF-8 byte-order mark
  std::vector<Section> sections_;
  KeyIndex section_index_;  // lower-case name -> index (first occurrence)
  FileWriter writer_;
};

}  // namespace quorvane
