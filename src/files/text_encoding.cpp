#include "files/text_encoding.h"

namespace quorvane {

namespace {

// Windows-1252 bytes 0x80..0x9F; the rest of 0x80..0xFF is Latin-1. The five bytes the code
// page leaves undefined map to the C1 control of the same value, as Windows does, so they
// survive a read and a write. Qt offers this code page only when it is built with ICU.
constexpr char16_t kCp1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,  // 80
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,  // 88
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  // 90
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,  // 98
};

char ToWindows1252(char16_t c) {
  if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) return static_cast<char>(c);
  for (int i = 0; i < 32; ++i)
    if (kCp1252High[i] == c) return static_cast<char>(0x80 + i);
  return '?';
}

}  // namespace

QString FromWindows1252(const QByteArray& bytes) {
  QString out(bytes.size(), Qt::Uninitialized);
  QChar* o = out.data();
  for (const char ch : bytes) {
    const auto b = static_cast<unsigned char>(ch);
    *o++ = QChar(b >= 0x80 && b < 0xA0 ? kCp1252High[b - 0x80] : char16_t{b});
  }
  return out;
}

QByteArray ToWindows1252(const QString& text) {
  QByteArray out;
  out.reserve(text.size());
  const qsizetype n = text.size();
  for (qsizetype i = 0; i < n; ++i) {
    const QChar c = text.at(i);
    // A character outside the basic plane is one "?", not two.
    if (c.isHighSurrogate() && i + 1 < n && text.at(i + 1).isLowSurrogate()) ++i;
    out += ToWindows1252(c.isSurrogate() ? char16_t{0xFFFD} : c.unicode());
  }
  return out;
}

// Strict UTF-8: no overlong forms, no surrogates, nothing above U+10FFFF.
bool IsValidUtf8(const char* p, const char* end) {
  while (p != end) {
    const auto c = static_cast<unsigned char>(*p++);
    if (c < 0x80) continue;
    int more;
    unsigned char lo = 0x80, hi = 0xBF;  // allowed range of the first continuation byte
    if (c >= 0xC2 && c <= 0xDF) {
      more = 1;
    } else if (c >= 0xE0 && c <= 0xEF) {
      more = 2;
      if (c == 0xE0) lo = 0xA0;
      if (c == 0xED) hi = 0x9F;
    } else if (c >= 0xF0 && c <= 0xF4) {
      more = 3;
      if (c == 0xF0) lo = 0x90;
      if (c == 0xF4) hi = 0x8F;
    } else {
      return false;
    }
    if (end - p < more) return false;
    for (int i = 0; i < more; ++i, ++p) {
      const auto d = static_cast<unsigned char>(*p);
      if (d < lo || d > hi) return false;
      lo = 0x80;
      hi = 0xBF;
    }
  }
  return true;
}

}  // namespace quorvane
