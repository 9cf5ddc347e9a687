#include "files/unused_slider_filter.h"

#include <vector>

#include "files/text_encoding.h"

namespace quorvane {

namespace {

const QString kStartMarker = QStringLiteral("[ctrlmapdump]");
const QString kEndMarker = QStringLiteral("[/ctrlmapdump]");

// ASCII only: a letter outside it never makes a marker line.
bool IsMarker(const QString& line, const QString& lower_marker) {
  if (line.size() != lower_marker.size()) return false;
  for (qsizetype i = 0; i < line.size(); ++i) {
    char16_t c = line[i].unicode();
    if (c >= u'A' && c <= u'Z') c = static_cast<char16_t>(c - u'A' + u'a');
    if (c != lower_marker[i].unicode()) return false;
  }
  return true;
}

qsizetype FindMarker(const QStringList& lines, const QString& lower_marker) {
  for (qsizetype i = 0; i < lines.size(); ++i)
    if (IsMarker(lines[i], lower_marker)) return i;
  return -1;
}

QString TrimControl(const QString& text) {
  qsizetype begin = 0;
  qsizetype end = text.size();
  while (begin < end && text[begin].unicode() <= 0x20) ++begin;
  while (end > begin && text[end - 1].unicode() <= 0x20) --end;
  return text.sliced(begin, end - begin);
}

std::optional<std::int64_t> Digits(QStringView digits, int base) {
  if (digits.isEmpty()) return std::nullopt;
  std::int64_t value = 0;
  for (QChar ch : digits) {
    const char16_t c = ch.unicode();
    int d = -1;
    if (c >= u'0' && c <= u'9') d = c - u'0';
    if (base == 16 && c >= u'a' && c <= u'f') d = c - u'a' + 10;
    if (base == 16 && c >= u'A' && c <= u'F') d = c - u'A' + 10;
    if (d < 0) return std::nullopt;
    value = value * base + d;
    if (value > 0xFFFFFFFFLL) return std::nullopt;
  }
  return value;
}

}  // namespace

void DumpCapture::Record(int controller, int value) {
  if (controller < 0 || controller >= kControllerNumbers) return;
  used[static_cast<std::size_t>(controller)] = true;
  if (controller < kCapturedControllers)
    values[static_cast<std::size_t>(controller)] = static_cast<std::uint8_t>(value & 0x7F);
}

void FilterUnusedSliders(TPageSet& defs, const UsedControllers& used) {
  std::vector<Tcontroller> enabled;
  std::vector<Tcontroller> disabled;
  for (const Tcontroller& d : defs) {
    Tcontroller moved = d;
    moved.enabled = d.ctrl < kControllerNumbers && used[d.ctrl];
    (moved.enabled ? enabled : disabled).push_back(std::move(moved));
  }
  int i = 0;
  for (Tcontroller& d : enabled) defs[i++] = std::move(d);
  for (Tcontroller& d : disabled) defs[i++] = std::move(d);
}

void ApplyCapturedValues(TPageSet& defs, const DumpCapture& capture) {
  for (Tcontroller& d : defs)
    if (d.ctrl < kCapturedControllers) d.value = capture.values[d.ctrl];
}

std::optional<std::int64_t> ParseIntegerText(const QString& text) {
  QStringView rest(text);
  bool negative = false;
  if (!rest.isEmpty() && (rest[0] == u'-' || rest[0] == u'+')) {
    negative = rest[0] == u'-';
    rest = rest.sliced(1);
  }
  if (!rest.isEmpty() && rest[0] == u'$') {
    const std::optional<std::int64_t> v = Digits(rest.sliced(1), 16);
    if (!v) return std::nullopt;
    return negative ? -*v : *v;
  }
  const std::optional<std::int64_t> v = Digits(rest, 10);
  if (!v) return std::nullopt;
  const std::int64_t signed_value = negative ? -*v : *v;
  if (signed_value > 0x7FFFFFFFLL || signed_value < -0x80000000LL) return std::nullopt;
  return signed_value;
}

QString NotAnIntegerMessage(const QString& text) {
  return QStringLiteral("'%1' is not a valid integer value").arg(text);
}

QStringList SplitLines(const QString& text) {
  QStringList lines;
  qsizetype start = 0;
  qsizetype i = 0;
  while (i < text.size()) {
    const QChar c = text[i];
    if (c == u'\r' || c == u'\n') {
      lines << text.sliced(start, i - start);
      i += (c == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n') ? 2 : 1;
      start = i;
    } else {
      ++i;
    }
  }
  if (start < text.size()) lines << text.sliced(start);
  return lines;
}

QString DecodePatchText(const QByteArray& bytes) {
  if (IsValidUtf8(bytes.constData(), bytes.constData() + bytes.size()))
    return QString::fromUtf8(bytes);
  return FromWindows1252(bytes);
}

PatchReadResult ReadPatchAssignments(const QStringList& lines, UsedControllers& used) {
  const qsizetype start = FindMarker(lines, kStartMarker);
  const qsizetype end = FindMarker(lines, kEndMarker);
  if (start < 0 || end < 0) return {PatchReadResult::Outcome::kNoMarkers, kNoAssignmentsMessage};
  for (qsizetype i = start + 1; i < end; ++i) {
    const QString line = TrimControl(lines[i]);
    const QString last = line.sliced(line.lastIndexOf(u' ') + 1);
    const std::optional<std::int64_t> n = ParseIntegerText(last);
    if (!n) return {PatchReadResult::Outcome::kNotAnInteger, NotAnIntegerMessage(last)};
    if (*n >= 0 && *n < kControllerNumbers) used[static_cast<std::size_t>(*n)] = true;
  }
  return {};
}

}  // namespace quorvane
