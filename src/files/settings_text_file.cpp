#include "files/settings_text_file.h"

#include "files/text_encoding.h"

#include <algorithm>
#include <cstring>

namespace quorvane {

namespace {

const QByteArray kLf("\n");
const QByteArray kCrLf("\r\n");
const QByteArray kCr("\r");
const QByteArray kUtf8Bom("\xEF\xBB\xBF");

bool IsBlank(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}

char AsciiLower(char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c;
}

// Lower-case copy of bytes [b, e) with blanks trimmed, in one allocation.
QByteArray LowerTrimmed(const char* b, const char* e) {
  while (b != e && IsBlank(*b)) ++b;
  while (e != b && IsBlank(e[-1])) --e;
  QByteArray out(e - b, Qt::Uninitialized);
  char* o = out.data();
  for (; b != e; ++b) *o++ = AsciiLower(*b);
  return out;
}

QByteArray Encoded(const QString& text, TextEncoding encoding) {
  return encoding == TextEncoding::kWindows1252 ? ToWindows1252(text) : text.toUtf8();
}

// Lookups are hot: keys are ASCII in practice, so skip the encoding round trip for them.
QByteArray LowerKey(const QString& name, TextEncoding encoding) {
  const qsizetype n = name.size();
  QByteArray out(n, Qt::Uninitialized);
  const QChar* in = name.constData();
  for (qsizetype i = 0; i < n; ++i) {
    const char16_t c = in[i].unicode();
    if (c >= 0x80) {
      const QByteArray bytes = Encoded(name, encoding);
      return LowerTrimmed(bytes.constBegin(), bytes.constEnd());
    }
    out[i] = AsciiLower(static_cast<char>(c));
  }
  if (n > 0 && (IsBlank(out.front()) || IsBlank(out.back())))
    return LowerTrimmed(out.constBegin(), out.constEnd());
  return out;
}

// Value text after the first "=", blanks trimmed and one pair of matching quotes removed.
QByteArray ValueOf(const QByteArray& line) {
  const qsizetype eq = line.indexOf('=');
  QByteArray v = line.mid(eq + 1).trimmed();
  if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front())
    v = v.mid(1, v.size() - 2);
  return v;
}

// Key lines are "key=value" with a non-empty key; ';' and '#' start comment lines.
QByteArray KeyOf(const QByteArray& line) {
  const char* b = line.constBegin();
  const char* e = line.constEnd();
  while (b != e && IsBlank(*b)) ++b;
  if (b == e || *b == ';' || *b == '#' || *b == '=') return {};
  const char* eq = static_cast<const char*>(std::memchr(b, '=', static_cast<size_t>(e - b)));
  if (!eq) return {};
  return LowerTrimmed(b, eq);
}

bool SectionNameOf(const QByteArray& line, QByteArray* name) {
  const char* b = line.constBegin();
  const char* e = line.constEnd();
  while (b != e && IsBlank(*b)) ++b;
  if (b == e || *b != '[') return false;
  const char* close = static_cast<const char*>(std::memchr(b, ']', static_cast<size_t>(e - b)));
  if (!close) return false;
  *name = LowerTrimmed(b + 1, close);
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

// A newline inside a value would split the line and could forge keys.
QByteArray OneLine(QByteArray value) {
  value.replace('\r', ' ');
  value.replace('\n', ' ');
  return value;
}

// Reading trims blanks and takes off one pair of quotes: a value that would lose either is
// written inside a pair of quotes, so that it reads back as it was.
QByteArray Quoted(QByteArray value) {
  if (value.isEmpty()) return value;
  const bool quoted_already = value.size() >= 2 &&
                              (value.front() == '"' || value.front() == '\'') &&
                              value.back() == value.front();
  if (quoted_already || IsBlank(value.front()) || IsBlank(value.back())) {
    value.prepend('"');
    value.append('"');
  }
  return value;
}

}  // namespace

SettingsTextFile::SettingsTextFile(QString path) : path_(std::move(path)) {
  Clear();
}

void SettingsTextFile::Clear() {
  sections_.clear();
  section_index_.clear();
  sections_.emplace_back();  // lines before the first section
  default_eol_ = kLf;
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
    const auto* cr = static_cast<const char*>(
        std::memchr(base + start, '\r', static_cast<size_t>(stop - start)));
    Line line;
    qsizetype len;
    qsizetype next;
    if (cr && !(cr + 1 == base + stop && nl >= 0)) {
      // A lone CR (old Macintosh files) ends a line too.
      len = cr - (base + start);
      next = start + len + 1;
      line.eol = kCr;
    } else if (nl >= 0) {
      len = nl - start;
      next = nl + 1;
      line.eol = kLf;
      if (cr) {
        --len;
        line.eol = kCrLf;
      }
    } else {
      len = size - start;
      next = size;
    }
    // New lines take the first LF or CRLF ending; a lone CR only when the file has no LF, as a
    // stray CR is more likely than a file that mixes Mac and Unix endings.
    if (!eol_seen && !line.eol.isEmpty() && (line.eol != kCr || nl < 0)) {
      default_eol_ = line.eol;
      eol_seen = true;
    }
    line.text = view(start, len);

    QByteArray name;
    if (SectionNameOf(line.text, &name)) {
      flush_chunk(start);
      Section s;
      s.header = std::move(line);
      s.has_header = true;
      sections_.push_back(std::move(s));
      section_index_.emplace(std::move(name), static_cast<int>(sections_.size() - 1));
      chunk_start = next;
    } else if (const QByteArray key = KeyOf(line.text); !key.isEmpty()) {
      flush_chunk(start);
      Section& current = sections_.back();
      current.keys.emplace(key, static_cast<int>(current.lines.size()));
      line.is_key = true;
      current.lines.push_back(std::move(line));
      chunk_start = next;
    }
    start = next;
  }
  flush_chunk(size);
}

QByteArray SettingsTextFile::ToBytes() const {
  QByteArray out;
  out.reserve(source_.size() + 4096);
  if (bom_) out += kUtf8Bom;
  const qsizetype body = out.size();
  auto put = [&](const Line& l) {
    // A last line without an ending gets one when something follows it.
    if (out.size() > body && !out.endsWith('\n') && !out.endsWith('\r')) out += default_eol_;
    out += l.text;
    out += l.eol;
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

const SettingsTextFile::Line* SettingsTextFile::FindLine(const QString& section,
                                                         const QString& key) const {
  const auto s = section_index_.find(LowerName(section));
  if (s == section_index_.end()) return nullptr;
  const Section& sec = sections_[static_cast<std::size_t>(s->second)];
  const auto k = sec.keys.find(LowerName(key));
  if (k == sec.keys.end()) return nullptr;
  return &sec.lines[static_cast<std::size_t>(k->second)];
}

bool SettingsTextFile::HasKey(const QString& section, const QString& key) const {
  return FindLine(section, key) != nullptr;
}

QString SettingsTextFile::ReadString(const QString& section, const QString& key, const QString& def,
                                     qsizetype max_length) const {
  const Line* line = FindLine(section, key);
  if (!line) return def;
  const QByteArray value = ValueOf(line->text);
  QString s =
      encoding_ == TextEncoding::kWindows1252 ? FromWindows1252(value) : QString::fromUtf8(value);
  if (s.size() > max_length) {
    qsizetype n = max_length;
    if (s.at(n - 1).isHighSurrogate()) --n;  // never split a character in two
    s.truncate(n);
  }
  return s;
}

std::int32_t SettingsTextFile::ReadInteger(const QString& section, const QString& key,
                                           std::int32_t def) const {
  const Line* line = FindLine(section, key);
  std::int32_t v = 0;
  if (!line || !ParseInteger(ValueOf(line->text), &v)) return def;
  return v;
}

bool SettingsTextFile::ReadBool(const QString& section, const QString& key, bool def) const {
  return ReadInteger(section, key, def ? 1 : 0) != 0;
}

std::uint8_t SettingsTextFile::ReadByte(const QString& section, const QString& key,
                                        std::uint8_t def) const {
  return static_cast<std::uint8_t>(ReadInteger(section, key, def) & 0xFF);
}

bool SettingsTextFile::ParseInteger(const QByteArray& text, std::int32_t* out) {
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

void SettingsTextFile::WriteRaw(const QString& section, const QString& key,
                                const QByteArray& value) {
  const QByteArray sname = LowerName(section);
  auto s = section_index_.find(sname);
  int si;
  if (s == section_index_.end()) {
    Section fresh;
    fresh.header = {"[" + OneLine(Encode(section)) + "]", default_eol_};
    fresh.has_header = true;
    sections_.push_back(std::move(fresh));
    si = static_cast<int>(sections_.size() - 1);
    section_index_.emplace(sname, si);
  } else {
    si = s->second;
  }
  Section& sec = sections_[static_cast<std::size_t>(si)];
  const QByteArray kname = LowerName(key);
  const auto k = sec.keys.find(kname);
  if (k != sec.keys.end()) {
    // Keep the key as it is spelled in the file; replace what follows "=".
    QByteArray& text = sec.lines[static_cast<std::size_t>(k->second)].text;
    text = text.left(text.indexOf('=') + 1) + value;
    return;
  }
  // A new key goes after the section's last key, so blank lines and comments that lead into
  // the next section stay with it; a section without keys gets it at its end.
  std::size_t pos = sec.lines.size();
  if (!sec.keys.empty())
    while (!sec.lines[pos - 1].is_key) --pos;
  Line line{OneLine(Encode(key)) + "=" + value, default_eol_, true};
  sec.lines.insert(sec.lines.begin() + static_cast<std::ptrdiff_t>(pos), std::move(line));
  sec.keys.emplace(kname, static_cast<int>(pos));
}

QByteArray SettingsTextFile::Encode(const QString& text) const {
  return Encoded(text, encoding_);
}

QByteArray SettingsTextFile::LowerName(const QString& name) const {
  return LowerKey(name, encoding_);
}

void SettingsTextFile::WriteString(const QString& section, const QString& key,
                                   const QString& value) {
  WriteRaw(section, key, Quoted(OneLine(Encode(value))));
}

void SettingsTextFile::WriteInteger(const QString& section, const QString& key,
                                    std::int32_t value) {
  WriteRaw(section, key, QByteArray::number(value));
}

void SettingsTextFile::WriteBool(const QString& section, const QString& key, bool value) {
  WriteRaw(section, key, value ? "1" : "0");
}

}  // namespace quorvane
