#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <cstdint>
#include <optional>
#include <span>

#include "surface/surface_commands.h"

namespace quorvane {

// The browser surface's messages (docs/browser_surface.md), without sockets: what a page's
// text message asks for, and the JSON the page is sent.

// Longer messages from a page are refused unread.
inline constexpr qsizetype kMaxBrowserMessage = 256;

enum class BrowserCommandType : std::uint8_t { kMove, kButton, kPage, kSnapshot, kTake };

struct BrowserCommand {
  BrowserCommandType type = BrowserCommandType::kMove;
  int slot = 0;     // kMove, kButton: 1..24; kSnapshot: 0..9
  int value = 0;    // kMove: 0..127; kButton: 0 or 127; kPage: 1..5
  bool on = false;  // kTake

  bool operator==(const BrowserCommand&) const = default;
};

// A page's message as UTF-8: one JSON object whose type and fields are all there and in
// range, else nothing. Fields the type does not use are ignored.
std::optional<BrowserCommand> ParseBrowserMessage(QByteArrayView utf8);

// What the command does, through the surface's one way in.
CommandOutcome ApplyBrowserCommand(const BrowserCommand& command, SurfaceCommands& commands,
                                   SurfaceClient from);

// 0x00BBGGRR as "#rrggbb".
QString BrowserColor(std::uint32_t color);

// The whole state, for a page that has just connected or after a page switch.
QByteArray BrowserStateMessage(const SurfaceState& state);
// The given slots (1..24) of the page shown, with their latest values.
QByteArray BrowserSlotsMessage(const SurfaceState& state, std::span<const int> changed);

}  // namespace quorvane
