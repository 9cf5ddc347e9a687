#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QVarLengthArray>
#include <chrono>
#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

#include "files/atomic_file.h"

namespace quorvane {

namespace settings_text_detail {

// How a line ends: none (chunks, and a last line without one), "\n", "\r\n" or "\r".
enum class Eol : std::uint8_t { kNone, kLf, kCrLf, kCr };

// A key line, a section line, or a run of other lines kept as one opaque chunk (so blank lines
// and comments cost nothing per line). Texts are views into the bytes loaded or into the
// file's store until rewritten.
struct Line {
  QByteArray text;  // a key or section line without its ending; a chunk with its endings
  // The lower-case name of a section header, and of a written key line whose text does not
  // spell it back (a key that holds "=" or a line break); null otherwise, the name is then read
  // from the text at [name_begin, name_begin + name_size).
  QByteArray odd_name;
  qsizetype name_begin = 0;
  qsizetype name_size = 0;
  Eol eol = Eol::kNone;
  bool is_key = false;
};

}  // namespace settings_text_detail

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

  // A section or key name, ASCII lower-cased and hashed once: tables of names looked up again
  // and again skip that work on every call. A name with other characters is folded in the
  // file's own encoding on each lookup.
  class Name {
   public:
    Name(const QString& text);  // NOLINT(google-explicit-constructor): any text is a name
    Name(const char* text)
        : Name(QString::fromUtf8(text)) {}  // NOLINT(google-explicit-constructor)
    const QString& text() const { return text_; }

   private:
    friend class SettingsTextFile;
    using Bytes = QVarLengthArray<char, 32>;
    // The folded bytes and their hash; scratch holds them for a name that is not ASCII.
    QByteArrayView Folded(TextEncoding encoding, Bytes& scratch, std::uint32_t* hash) const;
    QString text_;
    Bytes folded_;   // blanks trimmed; empty unless ascii_
    Bytes spelled_;  // the text as a new line spells it, line breaks made blanks; ascii_ only
    std::uint32_t hash_ = 0;
    bool ascii_ = true;
    bool spells_itself_ = false;        // spelled_ as a key line's name reads back as folded_
    qsizetype spelled_name_begin_ = 0;  // where that name starts in spelled_
  };

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

  bool HasKey(const Name& section, const Name& key) const;
  // A value longer than max_length characters is cut there (never inside a character).
  QString ReadString(const Name& section, const Name& key, const QString& def,
                     qsizetype max_length = kMaxValueLength) const;
  std::int32_t ReadInteger(const Name& section, const Name& key, std::int32_t def) const;
  bool ReadBool(const Name& section, const Name& key, bool def) const;
  // Keeps the low eight bits of the integer read: 300 gives 44, -1 gives 255.
  std::uint8_t ReadByte(const Name& section, const Name& key, std::uint8_t def) const;

  void WriteString(const Name& section, const Name& key, const QString& value);
  void WriteInteger(const Name& section, const Name& key, std::int32_t value);
  void WriteBool(const Name& section, const Name& key, bool value);

  // Integer syntax of the format: decimal with optional sign, "0x"/"0X" or "$" hexadecimal.
  static bool ParseInteger(QByteArrayView text, std::int32_t* out);

 private:
  using Eol = settings_text_detail::Eol;
  using Line = settings_text_detail::Line;
  static QByteArrayView EolBytes(Eol eol);

  // Append-only storage for the lines a write adds, so that a new key costs no allocation of
  // its own. Stored bytes never change; a copy shares them and stores its own lines elsewhere.
  class Store {
   public:
    Store() = default;
    Store(const Store& other) : blocks_(other.blocks_) {}
    Store& operator=(const Store& other);
    Store(Store&& other) noexcept;
    Store& operator=(Store&& other) noexcept;
    ~Store() = default;
    // A view of a stored "key=value".
    QByteArray AddKeyLine(QByteArrayView key, QByteArrayView value);
    void Clear();

   private:
    std::vector<std::shared_ptr<char[]>> blocks_;
    char* next_ = nullptr;  // free room at the end of the last block, owned by this copy only
    qsizetype free_ = 0;
  };
  // Lower-case name -> index of its line or section (first occurrence). Open addressing over
  // the names' hashes: the names stay in the lines, so loading allocates nothing per key.
  class NameIndex {
   public:
    template <class Same>
    int Find(std::uint32_t hash, const Same& same) const;
    void Add(std::uint32_t hash, int value);
    bool empty() const { return size_ == 0; }

   private:
    struct Slot {
      std::uint32_t hash = 0;
      int value = -1;  // -1: free
    };
    void Place(std::uint32_t hash, int value);
    std::vector<Slot> slots_;
    std::size_t size_ = 0;
  };

  struct Section {
    Line header;  // "[name]" line; unused for the lines before the first section
    bool has_header = false;
    // A QList moves lines as plain bytes when it grows: a save adds a line per key.
    QList<Line> lines;
    NameIndex keys;  // lower-case key -> index into lines
  };

  const Line* FindLine(const Name& section, const Name& key) const;
  void WriteRaw(const Name& section, const Name& key, const QByteArray& value);
  void Clear();
  // Index of the section or key line whose name equals name but for ASCII case, or -1.
  int FindSection(QByteArrayView name, std::uint32_t hash) const;
  static int FindKey(const Section& section, QByteArrayView name, std::uint32_t hash);

  QString path_;
  QByteArray source_;  // the bytes loaded; the lines point into it
  bool existed_ = false;
  Store store_;  // the lines added since loading
  Eol default_eol_ = Eol::kLf;
  TextEncoding encoding_ = TextEncoding::kUtf8;
  bool bom_ = false;  // the file starts with a UTF-8 byte-order mark
  std::vector<Section> sections_;
  NameIndex section_index_;  // lower-case name -> index into sections_
  FileWriter writer_;
};

}  // namespace quorvane

Q_DECLARE_TYPEINFO(quorvane::settings_text_detail::Line, Q_RELOCATABLE_TYPE);
