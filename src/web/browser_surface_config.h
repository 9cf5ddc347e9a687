#pragma once

#include <QString>

#include "files/app_settings.h"

namespace quorvane {

inline constexpr int kDefaultBrowserPort = 8460;

// The browser surface's settings, as the "Browser Surface" section of the settings file keeps
// them.
struct BrowserSurfaceConfig {
  bool enabled = false;
  int port = kDefaultBrowserPort;
  bool network = false;  // false: this computer only
  QString token;

  bool operator==(const BrowserSurfaceConfig&) const = default;
};

// A fresh access token: 32 lower-case hex digits from the system's random source.
QString NewBrowserToken();
bool IsBrowserToken(const QString& token);

// The stored config; a missing or malformed token is replaced by a fresh one, kept in
// settings so that the next save stores it.
BrowserSurfaceConfig BrowserSurfaceConfigOf(AppSettings& settings);
void StoreBrowserSurfaceConfig(const BrowserSurfaceConfig& config, AppSettings& settings);

// Where a browser finds the surface: 127.0.0.1, or this machine's first non-loopback IPv4
// address when other devices may connect.
QString BrowserSurfaceHost(bool network);
QString BrowserSurfaceAddress(const QString& host, int port, const QString& token);

}  // namespace quorvane
