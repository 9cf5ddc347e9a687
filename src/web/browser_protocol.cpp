#include "web/browser_protocol.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonParseError>
#include <cmath>

#include "model/controller.h"

namespace quorvane {
namespace {

constexpr int kMidiMax = 127;

// An integral JSON number in [lo, hi]; 3.0 counts, 3.5 and "3" do not.
std::optional<int> IntIn(const QJsonObject& o, QLatin1StringView key, int lo, int hi) {
  const QJsonValue v = o.value(key);
  if (!v.isDouble()) return std::nullopt;
  const double d = v.toDouble();
  if (!(d >= lo && d <= hi) || std::floor(d) != d) return std::nullopt;
  return static_cast<int>(d);
}

std::optional<bool> BoolOf(const QJsonObject& o, QLatin1StringView key) {
  const QJsonValue v = o.value(key);
  if (!v.isBool()) return std::nullopt;
  return v.toBool();
}

QJsonObject SlotObject(const SurfaceState& state, int slot) {
  const SurfaceSlotState& s = state.page_slots.at(static_cast<std::size_t>(slot - 1));
  return {{QLatin1String("slot"), slot},
          {QLatin1String("caption"), s.caption},
          {QLatin1String("color"), BrowserColor(s.color)},
          {QLatin1String("value"), s.value},
          {QLatin1String("enabled"), s.enabled},
          {QLatin1String("button"), s.has_button},
          {QLatin1String("down"), s.button_down},
          {QLatin1String("lower"), s.lower_range},
          {QLatin1String("upper"), s.upper_range}};
}

QByteArray Compact(const QJsonObject& o) {
  return QJsonDocument(o).toJson(QJsonDocument::Compact);
}

}  // namespace

std::optional<BrowserCommand> ParseBrowserMessage(QByteArrayView utf8) {
  if (utf8.isEmpty() || utf8.size() > kMaxBrowserMessage) return std::nullopt;
  QJsonParseError error{};
  const QJsonDocument doc = QJsonDocument::fromJson(utf8.toByteArray(), &error);
  if (error.error != QJsonParseError::NoError || !doc.isObject()) return std::nullopt;
  const QJsonObject o = doc.object();
  const QString type = o.value(QLatin1String("type")).toString();
  BrowserCommand c;
  if (type == QLatin1String("move")) {
    const auto slot = IntIn(o, QLatin1String("slot"), 1, kSlotCount);
    const auto value = IntIn(o, QLatin1String("value"), 0, kMidiMax);
    if (!slot || !value) return std::nullopt;
    c = {BrowserCommandType::kMove, *slot, *value, false};
  } else if (type == QLatin1String("button")) {
    const auto slot = IntIn(o, QLatin1String("slot"), 1, kSlotCount);
    const auto down = BoolOf(o, QLatin1String("down"));
    if (!slot || !down) return std::nullopt;
    c = {BrowserCommandType::kButton, *slot, *down ? kMidiMax : 0, false};
  } else if (type == QLatin1String("page")) {
    const auto page = IntIn(o, QLatin1String("page"), 1, kPageCount);
    if (!page) return std::nullopt;
    c = {BrowserCommandType::kPage, 0, *page, false};
  } else if (type == QLatin1String("snapshot")) {
    const auto slot = IntIn(o, QLatin1String("slot"), 0, kSurfaceSnapshotSlots - 1);
    if (!slot) return std::nullopt;
    c = {BrowserCommandType::kSnapshot, *slot, 0, false};
  } else if (type == QLatin1String("take")) {
    const auto on = BoolOf(o, QLatin1String("on"));
    if (!on) return std::nullopt;
    c = {BrowserCommandType::kTake, 0, 0, *on};
  } else {
    return std::nullopt;
  }
  return c;
}

CommandOutcome ApplyBrowserCommand(const BrowserCommand& c, SurfaceCommands& commands,
                                   SurfaceClient from) {
  switch (c.type) {
    case BrowserCommandType::kMove:
      return commands.MoveSlot(c.slot, c.value, from);
    case BrowserCommandType::kButton:
      return commands.SetButton(c.slot, c.value, from);
    case BrowserCommandType::kPage:
      return commands.ShowPage(c.value, from);
    case BrowserCommandType::kSnapshot:
      return commands.SnapshotSlotAction(c.slot, from);
    case BrowserCommandType::kTake:
      return commands.SetTakeMode(c.on, from);
  }
  return CommandOutcome::kNotTaken;
}

QString BrowserColor(std::uint32_t color) {
  const std::uint32_t r = color & 0xFFu;
  const std::uint32_t g = (color >> 8) & 0xFFu;
  const std::uint32_t b = (color >> 16) & 0xFFu;
  return QStringLiteral("#%1").arg((r << 16) | (g << 8) | b, 6, 16, QLatin1Char('0'));
}

QByteArray BrowserStateMessage(const SurfaceState& state) {
  QJsonArray slot_list;
  for (int slot = 1; slot <= kSlotCount; ++slot) slot_list.append(SlotObject(state, slot));
  QJsonArray snapshots;
  for (int i = 0; i < kSurfaceSnapshotSlots; ++i) {
    const auto at = static_cast<std::size_t>(i);
    snapshots.append(QJsonObject{{QLatin1String("slot"), i},
                                 {QLatin1String("name"), state.snapshot_names.at(at)},
                                 {QLatin1String("enabled"), state.snapshot_enabled.at(at)}});
  }
  return Compact({{QLatin1String("type"), QLatin1String("state")},
                  {QLatin1String("page"), state.page},
                  {QLatin1String("bank"), state.bank},
                  {QLatin1String("take"), state.take_mode},
                  {QLatin1String("output"), state.output_in_use},
                  {QLatin1String("slots"), slot_list},
                  {QLatin1String("snapshots"), snapshots}});
}

QByteArray BrowserSlotsMessage(const SurfaceState& state, std::span<const int> changed) {
  QJsonArray out;
  for (const int slot : changed)
    if (slot >= 1 && slot <= kSlotCount) out.append(SlotObject(state, slot));
  return Compact({{QLatin1String("type"), QLatin1String("slots")}, {QLatin1String("slots"), out}});
}

}  // namespace quorvane
