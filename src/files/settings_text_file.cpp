#include "files/settings_text_file.h"

#include "files/text_encoding.h"

#include <QVarLengthArray>
#include <algorithm>
#include <array>
#include <charconv>
#include <cstring>
#include <utility>

namespace quorvane {

namespace {

const QByteArray kUtf8Bom("\xEF\xBB\xBF");

bool IsBlank(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}

// A table rather than comparisons: names are folded and compared a byte at a time on every
// lookup, and the fuzzing build traces each comparison.
constexpr auto kLower = [] {
  std::array<unsigned char, 256> t{};
  for (int c = 0; c < 256; ++c)
    t[c] = static_cast<unsigned char>(c >= 'A' && c <= 'Z' ? c + 32 : c);
  return t;
}();

char AsciiLower(char c) {
  return static_cast<char>(kLower.data()[static_cast<unsigned char>(c)]);
}

void Trim(const char*& b, const char*& e) {
  while (b != e && IsBlank(*b)) ++b;
  while (e != b && IsBlank(e[-1])) --e;
}

// A hash that ignores ASCII case, eight bytes at a time: setting bit 0x20 of every byte maps
// "A".."Z" onto "a".."z" (and a few other pairs onto each other, which the comparison that
// follows a matching hash sorts out). Loading hashes every key; a loop per byte cost more.
std::uint32_t FoldHash(const char* b, const char* e) {
  constexpr std::uint64_t kCase = 0x2020202020202020u;
  constexpr std::uint64_t kMul = 0x9E3779B97F4A7C15u;
  const auto size = static_cast<std::size_t>(e - b);
  std::uint64_t h = size * kMul;
  std::size_t i = 0;
  for (; i + 8 <= size; i += 8) {
    std::uint64_t w;
    std::memcpy(&w, b + i, 8);
    h = (h ^ (w | kCase)) * kMul;
    h ^= h >> 29;
  }
  if (i < size) {
    std::uint64_t w = 0;
    std::memcpy(&w, b + i, size - i);
    h = (h ^ (w | kCase)) * kMul;
  }
  h ^= h >> 32;
  return static_cast<std::uint32_t>(h);
}

bool SameButCase(QByteArrayView a, QByteArrayView b) {
  if (a.size() != b.size()) return false;
  // Names are mostly spelled in the file as the program folds them, and memcmp is cheap.
  if (a.isEmpty() || std::memcmp(a.data(), b.data(), static_cast<std::size_t>(a.size())) == 0)
    return true;
  const char* q = b.data();
  unsigned diff = 0;
  for (const char c : a) diff |= static_cast<unsigned>(AsciiLower(c) ^ AsciiLower(*q++));
  return diff == 0;
}

QByteArray Encoded(const QString& text, TextEncoding encoding) {
  return encoding == TextEncoding::kWindows1252 ? ToWindows1252(text) : text.toUtf8();
}

using Bytes = QVarLengthArray<char, 128>;

// Appends the text in the file's encoding with line breaks made blanks, as a newline inside a
// value would split the line and could forge keys. ASCII, the usual case, needs no temporary.
void AppendOneLine(Bytes& out, const QString& text, TextEncoding encoding) {
  const qsizetype start = out.size();
  out.reserve(start + text.size());
  for (const QChar ch : text) {
    const char16_t c = ch.unicode();
    if (c >= 0x80) {
      out.resize(start);
      for (const char byte : Encoded(text, encoding))
        out.append(byte == '\r' || byte == '\n' ? ' ' : byte);
      return;
    }
    out.append(c == '\r' || c == '\n' ? ' ' : static_cast<char>(c));
  }
}

QByteArray Raw(const Bytes& bytes) {
  return QByteArray::fromRawData(bytes.constData(), bytes.size());
}

// Value text after the first "=", blanks trimmed and one pair of matching quotes removed.
QByteArrayView ValueOf(const QByteArray& line) {
  const char* b = line.constData() + line.indexOf('=') + 1;
  const char* e = line.constEnd();
  Trim(b, e);
  if (e - b >= 2 && (*b == '"' || *b == '\'') && e[-1] == *b) ++b, --e;
  return QByteArrayView(b, e - b);
}

// The text before the first "=" in [b, e) (all of it when there is none), blanks trimmed;
// whether there is an "=".
bool KeyPart(const char*& b, const char*& e) {
  while (b != e && IsBlank(*b)) ++b;
  const void* eq = std::memchr(b, '=', static_cast<size_t>(e - b));
  if (eq) e = static_cast<const char*>(eq);
  Trim(b, e);
  return eq != nullptr;
}

bool KeyPart(const QByteArray& line, const char*& b, const char*& e) {
  b = line.constData();
  e = b + line.size();
  return KeyPart(b, e);
}

// Key lines are "key=value" with a non-empty key; ';' and '#' start comment lines.
bool IsKeyLine(bool has_equals, const char* key_begin, const char* key_end) {
  return has_equals && key_begin != key_end && *key_begin != ';' && *key_begin != '#';
}

// The name inside "[...]" up to the first "]" of [b, e), blanks trimmed; false for other lines.
bool SectionPart(const char*& b, const char*& e) {
  while (b != e && IsBlank(*b)) ++b;
  if (b == e || *b != '[') return false;
  const char* close = static_cast<const char*>(std::memchr(b, ']', static_cast<size_t>(e - b)));
  if (!close) return false;
  b = b + 1;
  e = close;
  Trim(b, e);
  return true;
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

bool ParseHex(const char* p, const char* end, std::int32_t* out) {
  if (p == end) return false;
  std::uint64_t v = 0;
  for (; p != end; ++p) {
    const int d = HexDigit(*p);
    if (d < 0) return false;
    v = v * 16 + static_cast<unsigned>(d);
    if (v > 0xFFFFFFFFull) return false;
  }
  *out = static_cast<std::int32_t>(static_cast<std::uint32_t>(v));
  return true;
}

// ASCII lower case, blanks trimmed, as lookups compare names; returns the hash.
template <class C, class Out>
std::uint32_t FoldInto(const C* b, const C* e, Out& out) {
  auto blank = [](C c) { return IsBlank(static_cast<char>(c)); };
  while (b != e && blank(*b)) ++b;
  while (e != b && blank(e[-1])) --e;
  out.resize(e - b);
  char* o = out.data();
  for (; b != e; ++b) *o++ = AsciiLower(static_cast<char>(*b));
  return FoldHash(out.constBegin(), out.constEnd());
}

// Reading trims blanks and takes off one pair of quotes: a value that would lose either is
// written inside a pair of quotes, so that it reads back as it was.
void Quote(Bytes& value) {
  if (value.isEmpty()) return;
  const char f = value.front();
  const bool quoted_already = value.size() >= 2 && (f == '"' || f == '\'') && value.back() == f;
  if (quoted_already || IsBlank(f) || IsBlank(value.back())) {
    value.insert(value.begin(), '"');
    value.append('"');
  }
}

}  // namespace

SettingsTextFile::Name::Name(const QString& text) : text_(text) {
  const auto* in = reinterpret_cast<const char16_t*>(text.constData());
  const char16_t* end = in + text.size();
  unsigned all = 0;
  for (const char16_t* c = in; c != end; ++c) all |= *c;
  ascii_ = all < 0x80;
  if (!ascii_) return;
  hash_ = FoldInto(in, end, folded_);
  // Names are built once and written many times: a new key line copies these bytes as they are.
  spelled_.reserve(text.size());
  for (const char16_t* c = in; c != end; ++c)
    spelled_.append(*c == '\r' || *c == '\n' ? ' ' : static_cast<char>(*c));
  const char* b = spelled_.constBegin();
  const char* e = spelled_.constEnd();
  KeyPart(b, e);
  spells_itself_ = SameButCase(QByteArrayView(b, e - b), {folded_.constData(), folded_.size()});
  spelled_name_begin_ = b - spelled_.constBegin();
}

QByteArrayView SettingsTextFile::Name::Folded(TextEncoding encoding, Bytes& scratch,
                                              std::uint32_t* hash) const {
  if (ascii_) {
    *hash = hash_;
    return {folded_.constData(), folded_.size()};
  }
  const QByteArray bytes = Encoded(text_, encoding);
  *hash = FoldInto(bytes.constBegin(), bytes.constEnd(), scratch);
  return {scratch.constData(), scratch.size()};
}

// The lookups below run for every key read or written, and the fuzzing build checks each call
// of an accessor: they take raw pointers once.
template <class Same>
int SettingsTextFile::NameIndex::Find(std::uint32_t hash, const Same& same) const {
  const Slot* table = slots_.data();
  if (!table) return -1;
  const std::size_t mask = slots_.size() - 1;
  for (std::size_t i = hash & mask;; i = (i + 1) & mask) {
    const Slot slot = table[i];
    if (slot.value < 0) return -1;
    if (slot.hash == hash && same(slot.value)) return slot.value;
  }
}

void SettingsTextFile::NameIndex::Add(std::uint32_t hash, int value) {
  if ((size_ + 1) * 4 > slots_.size() * 3) {  // at most three quarters full
    std::vector<Slot> old = std::move(slots_);
    // Four times larger: a save into an empty section adds some 1,500 keys one by one.
    slots_.assign(std::max<std::size_t>(16, old.size() * 4), Slot{});
    for (const Slot& slot : old)
      if (slot.value >= 0) Place(slot.hash, slot.value);
  }
  Place(hash, value);
  ++size_;
}

void SettingsTextFile::NameIndex::Place(std::uint32_t hash, int value) {
  Slot* table = slots_.data();
  const std::size_t mask = slots_.size() - 1;
  std::size_t i = hash & mask;
  while (table[i].value >= 0) i = (i + 1) & mask;
  table[i] = {hash, value};
}

int SettingsTextFile::FindSection(QByteArrayView name, std::uint32_t hash) const {
  const Section* sections = sections_.data();
  return section_index_.Find(hash,
                             [&](int i) { return SameButCase(sections[i].header.odd_name, name); });
}

int SettingsTextFile::FindKey(const Section& section, QByteArrayView name, std::uint32_t hash) {
  const Line* lines = section.lines.constData();
  return section.keys.Find(hash, [&](int i) {
    const Line& line = lines[i];
    if (!line.odd_name.isNull()) return SameButCase(line.odd_name, name);
    return SameButCase(QByteArrayView(line.text.constData() + line.name_begin, line.name_size),
                       name);
  });
}

QByteArrayView SettingsTextFile::EolBytes(Eol eol) {
  switch (eol) {
    case Eol::kLf:
      return "\n";
    case Eol::kCrLf:
      return "\r\n";
    case Eol::kCr:
      return "\r";
    case Eol::kNone:
      break;
  }
  return {};
}

SettingsTextFile::Store& SettingsTextFile::Store::operator=(const Store& other) {
  if (this == &other) return *this;
  blocks_ = other.blocks_;
  next_ = nullptr;
  free_ = 0;
  return *this;
}

SettingsTextFile::Store::Store(Store&& other) noexcept
    : blocks_(std::move(other.blocks_)),
      next_(std::exchange(other.next_, nullptr)),
      free_(std::exchange(other.free_, 0)) {}

SettingsTextFile::Store& SettingsTextFile::Store::operator=(Store&& other) noexcept {
  blocks_ = std::move(other.blocks_);
  next_ = std::exchange(other.next_, nullptr);
  free_ = std::exchange(other.free_, 0);
  return *this;
}

QByteArray SettingsTextFile::Store::AddKeyLine(QByteArrayView key, QByteArrayView value) {
  const qsizetype size = key.size() + 1 + value.size();
  if (size > free_) {
    // A few blocks hold all the keys a save adds to a file that had none.
    constexpr qsizetype kBlock = 8192;
    free_ = std::max(size, kBlock);
    blocks_.emplace_back(new char[static_cast<std::size_t>(free_)]);
    next_ = blocks_.back().get();
  }
  char* at = next_;
  if (!key.isEmpty()) std::memcpy(at, key.data(), static_cast<std::size_t>(key.size()));
  at[key.size()] = '=';
  if (!value.isEmpty())
    std::memcpy(at + key.size() + 1, value.data(), static_cast<std::size_t>(value.size()));
  next_ += size;
  free_ -= size;
  return QByteArray::fromRawData(at, size);
}

void SettingsTextFile::Store::Clear() {
  blocks_.clear();
  next_ = nullptr;
  free_ = 0;
}

SettingsTextFile::SettingsTextFile(QString path) : path_(std::move(path)) {
  Clear();
}

void SettingsTextFile::Clear() {
  sections_.clear();
  section_index_ = NameIndex();
  store_.Clear();
  sections_.emplace_back();  // lines before the first section
  default_eol_ = Eol::kLf;
  encoding_ = TextEncoding::kUtf8;
  bom_ = false;
  existed_ = false;
  source_.clear();
}

FileStatus SettingsTextFile::Load() {
  Clear();
  FileRead read = ReadRegularFile(path_, kMaxFileSize);
  switch (read.outcome) {
    case ReadOutcome::kRead:
      LoadFromBytes(read.bytes);
      existed_ = true;
      return FileStatus::Ok();
    case ReadOutcome::kMissing:
      return FileStatus::Ok();
    case ReadOutcome::kNotRegular:
      return FileStatus::Error(NotRegularFileMessage(path_));
    case ReadOutcome::kTooLarge:
      return FileStatus::Error(QStringLiteral("%1 is too large").arg(path_));
    case ReadOutcome::kFolder:
    case ReadOutcome::kUnreadable:
      break;
  }
  return FileStatus::Error(QStringLiteral("Unable to read %1").arg(path_));
}

void SettingsTextFile::LoadFromBytes(const QByteArray& bytes) {
  Clear();
  source_ = bytes;
  const char* base = source_.constData();
  const qsizetype size = source_.size();
  // A byte-order mark would otherwise be part of the first line and hide a section header.
  bom_ = source_.startsWith(kUtf8Bom);
  const qsizetype begin = bom_ ? kUtf8Bom.size() : 0;
  encoding_ =
      IsValidUtf8(base + begin, base + size) ? TextEncoding::kUtf8 : TextEncoding::kWindows1252;
  auto view = [base](qsizetype from, qsizetype len) {
    return QByteArray::fromRawData(base + from, len);
  };
  bool eol_seen = false;
  qsizetype chunk_start = begin;  // first byte of the pending run of other lines
  qsizetype start = begin;
  qsizetype nl = -2;  // next "\n" at or after start, -1 if none; searched again once passed
  auto flush_chunk = [&](qsizetype end) {
    if (end > chunk_start)
      sections_.back().lines.push_back({view(chunk_start, end - chunk_start), {}});
  };
  while (start < size) {
    if (nl != -1 && nl < start) nl = source_.indexOf('\n', start);
    const qsizetype stop = nl < 0 ? size : nl;
    const char* const line_begin = base + start;
    const auto* cr =
        static_cast<const char*>(std::memchr(line_begin, '\r', static_cast<size_t>(stop - start)));
    Eol eol = Eol::kNone;
    qsizetype len;
    qsizetype next;
    if (cr && !(cr + 1 == base + stop && nl >= 0)) {
      // A lone CR (old Macintosh files) ends a line too.
      len = cr - line_begin;
      next = start + len + 1;
      eol = Eol::kCr;
    } else if (nl >= 0) {
      len = nl - start;
      next = nl + 1;
      eol = Eol::kLf;
      if (cr) {
        --len;
        eol = Eol::kCrLf;
      }
    } else {
      len = size - start;
      next = size;
    }
    // New lines take the first LF or CRLF ending; a lone CR only when the file has no LF, as a
    // stray CR is more likely than a file that mixes Mac and Unix endings.
    if (!eol_seen && eol != Eol::kNone && (eol != Eol::kCr || nl < 0)) {
      default_eol_ = eol;
      eol_seen = true;
    }

    const char* name_begin = line_begin;
    const char* name_end = line_begin + len;
    const char* key_begin = name_begin;
    const char* key_end = name_end;
    if (SectionPart(name_begin, name_end)) {
      flush_chunk(start);
      Section s;
      s.header.text = view(start, len);
      s.header.eol = eol;
      s.has_header = true;
      sections_.push_back(std::move(s));
      // Sections are few and looked up on every read: their names are kept folded.
      QByteArray& folded = sections_.back().header.odd_name;
      const std::uint32_t hash = FoldInto(name_begin, name_end, folded);
      if (FindSection(folded, hash) < 0)
        section_index_.Add(hash, static_cast<int>(sections_.size() - 1));
      chunk_start = next;
    } else if (const bool has_equals = KeyPart(key_begin, key_end);
               IsKeyLine(has_equals, key_begin, key_end)) {
      flush_chunk(start);
      Section& current = sections_.back();
      const QByteArrayView name(key_begin, key_end - key_begin);
      const std::uint32_t hash = FoldHash(key_begin, key_end);
      if (FindKey(current, name, hash) < 0)
        current.keys.Add(hash, static_cast<int>(current.lines.size()));
      Line line{view(start, len), {}};
      line.eol = eol;
      line.is_key = true;
      line.name_begin = key_begin - line_begin;
      line.name_size = key_end - key_begin;
      current.lines.push_back(std::move(line));
      chunk_start = next;
    }
    start = next;
  }
  flush_chunk(size);
}

QByteArray SettingsTextFile::ToBytes() const {
  const QByteArrayView default_eol = EolBytes(default_eol_);
  qsizetype size = kUtf8Bom.size();
  for (const Section& s : sections_) {
    size += s.header.text.size() + default_eol.size();
    for (const Line& l : s.lines) size += l.text.size() + default_eol.size();
  }
  QByteArray out;
  out.reserve(size);  // at least enough: one allocation for the whole file
  if (bom_) out += kUtf8Bom;
  const qsizetype body = out.size();
  auto put = [&](const Line& l) {
    // A last line without an ending gets one when something follows it.
    if (out.size() > body && !out.endsWith('\n') && !out.endsWith('\r')) out += default_eol;
    out += l.text;
    out += EolBytes(l.eol);
  };
  for (const Section& s : sections_) {
    if (s.has_header) put(s.header);
    for (const Line& l : s.lines) put(l);
  }
  return out;
}

FileStatus SettingsTextFile::Save() const {
  return SaveFile(path_, ToBytes(), writer_, QStringLiteral("Unable to write to %1").arg(path_));
}

const SettingsTextFile::Line* SettingsTextFile::FindLine(const Name& section,
                                                         const Name& key) const {
  Name::Bytes scratch;
  std::uint32_t hash;
  QByteArrayView folded = section.Folded(encoding_, scratch, &hash);
  const int si = FindSection(folded, hash);
  if (si < 0) return nullptr;
  const Section& sec = sections_[static_cast<std::size_t>(si)];
  folded = key.Folded(encoding_, scratch, &hash);
  const int k = FindKey(sec, folded, hash);
  return k < 0 ? nullptr : &sec.lines[k];
}

bool SettingsTextFile::HasKey(const Name& section, const Name& key) const {
  return FindLine(section, key) != nullptr;
}

QString SettingsTextFile::ReadString(const Name& section, const Name& key, const QString& def,
                                     qsizetype max_length) const {
  const Line* line = FindLine(section, key);
  if (!line) return def;
  const QByteArrayView value = ValueOf(line->text);
  QString s = encoding_ == TextEncoding::kWindows1252
                  ? FromWindows1252(QByteArray::fromRawData(value.data(), value.size()))
                  : QString::fromUtf8(value);
  if (s.size() > max_length) {
    qsizetype n = max_length;
    if (s.at(n - 1).isHighSurrogate()) --n;  // never split a character in two
    s.truncate(n);
  }
  return s;
}

std::int32_t SettingsTextFile::ReadInteger(const Name& section, const Name& key,
                                           std::int32_t def) const {
  const Line* line = FindLine(section, key);
  std::int32_t v = 0;
  if (!line || !ParseInteger(ValueOf(line->text), &v)) return def;
  return v;
}

bool SettingsTextFile::ReadBool(const Name& section, const Name& key, bool def) const {
  return ReadInteger(section, key, def ? 1 : 0) != 0;
}

std::uint8_t SettingsTextFile::ReadByte(const Name& section, const Name& key,
                                        std::uint8_t def) const {
  return static_cast<std::uint8_t>(ReadInteger(section, key, def) & 0xFF);
}

bool SettingsTextFile::ParseInteger(QByteArrayView text, std::int32_t* out) {
  const char* p = text.constData();
  const char* end = p + text.size();
  if (text.size() > 2 && p[0] == '0' && (p[1] == 'x' || p[1] == 'X'))
    return ParseHex(p + 2, end, out);
  if (text.size() > 1 && p[0] == '$') return ParseHex(p + 1, end, out);
  bool negative = false;
  if (p != end && (*p == '+' || *p == '-')) negative = *p++ == '-';
  if (p == end) return false;
  std::int64_t v = 0;
  for (; p != end; ++p) {
    if (*p < '0' || *p > '9') return false;
    v = v * 10 + (*p - '0');
    if (v > 2147483648LL) return false;
  }
  if (negative) v = -v;
  if (v > 2147483647LL) return false;
  *out = static_cast<std::int32_t>(v);
  return true;
}

void SettingsTextFile::WriteRaw(const Name& section, const Name& key, const QByteArray& value) {
  Name::Bytes scratch;
  std::uint32_t hash;
  const QByteArrayView sname = section.Folded(encoding_, scratch, &hash);
  int si = FindSection(sname, hash);
  if (si < 0) {
    Bytes name;
    name.append('[');
    AppendOneLine(name, section.text(), encoding_);
    name.append(']');
    Section fresh;
    fresh.header = {QByteArray(name.constData(), name.size()), {}};
    fresh.header.eol = default_eol_;
    fresh.has_header = true;
    fresh.header.odd_name = QByteArray(sname.data(), sname.size());
    sections_.push_back(std::move(fresh));
    si = static_cast<int>(sections_.size() - 1);
    section_index_.Add(hash, si);
  }
  Section& sec = sections_[static_cast<std::size_t>(si)];
  const QByteArrayView kname = key.Folded(encoding_, scratch, &hash);
  if (const int k = FindKey(sec, kname, hash); k >= 0) {
    // Keep the key as it is spelled in the file; replace what follows "=". The same value
    // keeps the line as it is, without a copy.
    QByteArray& text = sec.lines[k].text;
    const qsizetype keep = text.indexOf('=') + 1;
    if (text.size() - keep == value.size() &&
        std::equal(value.constBegin(), value.constEnd(), text.constData() + keep))
      return;
    QByteArray changed(keep + value.size(), Qt::Uninitialized);
    std::copy_n(text.constData(), keep, changed.data());
    std::copy_n(value.constData(), value.size(), changed.data() + keep);
    text = std::move(changed);
    return;
  }
  // A new key goes after the section's last key, so blank lines and comments that lead into
  // the next section stay with it; a section without keys gets it at its end.
  qsizetype pos = sec.lines.size();
  if (!sec.keys.empty()) {
    const Line* lines = sec.lines.constData();
    while (!lines[pos - 1].is_key) --pos;
  }
  Bytes spelled;
  if (!key.ascii_) AppendOneLine(spelled, key.text(), encoding_);
  const QByteArrayView name = key.ascii_
                                  ? QByteArrayView(key.spelled_.constData(), key.spelled_.size())
                                  : QByteArrayView(spelled.constData(), spelled.size());
  Line line{store_.AddKeyLine(name, value), {}};
  line.eol = default_eol_;
  line.is_key = true;
  if (key.ascii_ && key.spells_itself_) {
    line.name_begin = key.spelled_name_begin_;
    line.name_size = kname.size();
  } else {
    const char* b;
    const char* e;
    KeyPart(line.text, b, e);
    line.name_begin = b - line.text.constData();
    line.name_size = e - b;
    if (!SameButCase(QByteArrayView(b, e - b), kname))
      line.odd_name = QByteArray(kname.data(), kname.size());
  }
  if (pos == sec.lines.size())
    sec.lines.push_back(std::move(line));
  else
    sec.lines.insert(pos, std::move(line));
  sec.keys.Add(hash, static_cast<int>(pos));
}

void SettingsTextFile::WriteString(const Name& section, const Name& key, const QString& value) {
  Bytes bytes;
  AppendOneLine(bytes, value, encoding_);
  Quote(bytes);
  WriteRaw(section, key, Raw(bytes));
}

void SettingsTextFile::WriteInteger(const Name& section, const Name& key, std::int32_t value) {
  char digits[16];
  const auto end = std::to_chars(digits, digits + sizeof digits, value).ptr;
  WriteRaw(section, key, QByteArray::fromRawData(digits, end - digits));
}

void SettingsTextFile::WriteBool(const Name& section, const Name& key, bool value) {
  WriteRaw(section, key, QByteArray::fromRawData(value ? "1" : "0", 1));
}

}  // namespace quorvane
