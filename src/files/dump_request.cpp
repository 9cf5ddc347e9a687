#include "files/dump_request.h"

namespace quorvane {

namespace {

// Blanks and control characters, as the trim of the text removes them.
bool IsTrimmed(QChar c) {
  return c.unicode() <= 0x20;
}

QStringView Trimmed(QStringView text) {
  qsizetype begin = 0;
  qsizetype end = text.size();
  while (begin < end && IsTrimmed(text[begin])) ++begin;
  while (end > begin && IsTrimmed(text[end - 1])) --end;
  return text.sliced(begin, end - begin);
}

int HexDigit(QChar c) {
  const char16_t u = c.unicode();
  if (u >= u'0' && u <= u'9') return u - u'0';
  if (u >= u'a' && u <= u'f') return u - u'a' + 10;
  if (u >= u'A' && u <= u'F') return u - u'A' + 10;
  return -1;
}

// A token's value when it is a hex number that fits in 32 bits.
std::optional<std::uint32_t> HexToken(QStringView token) {
  if (token.isEmpty()) return std::nullopt;
  std::uint64_t value = 0;
  for (QChar c : token) {
    const int d = HexDigit(c);
    if (d < 0) return std::nullopt;
    value = value * 16 + static_cast<std::uint64_t>(d);
    if (value > 0xFFFFFFFFu) return std::nullopt;
  }
  return static_cast<std::uint32_t>(value);
}

}  // namespace

std::optional<std::vector<std::uint8_t>> ParseSysexString(const QString& text) {
  const QStringView rest = Trimmed(text);
  if (rest.isEmpty()) return std::nullopt;
  std::vector<std::uint8_t> bytes;
  for (QStringView token : rest.tokenize(u' ')) {
    const std::optional<std::uint32_t> value = HexToken(token);
    if (!value) return std::nullopt;
    if (std::ssize(bytes) == kMaxSysexBytes) return std::nullopt;
    bytes.push_back(static_cast<std::uint8_t>(*value & 0xFF));
  }
  if (bytes.front() == 0xF0 && bytes.back() != 0xF7) return std::nullopt;
  return bytes;
}

bool EditDumpRequestString(QString& dump_request_string, FileInteraction& ui) {
  const std::optional<QString> entered =
      ui.InputText(kDumpRequestCaption, kDumpRequestPrompt, dump_request_string);
  if (!entered) return false;
  if (!ParseSysexString(*entered)) {
    ui.ShowWarning(QStringLiteral("Invalid input."));
    return false;
  }
  dump_request_string = *entered;
  return true;
}

}  // namespace quorvane
