#include "web/browser_surface_config.h"

#include <QHostAddress>
#include <QNetworkInterface>
#include <QRandomGenerator>
#include <array>

namespace quorvane {
namespace {

constexpr int kTokenDigits = 32;

}  // namespace

QString NewBrowserToken() {
  std::array<quint32, kTokenDigits / 8> words{};
  QRandomGenerator::system()->fillRange(words.data(), words.size());
  QString token;
  for (const quint32 w : words) token += QStringLiteral("%1").arg(w, 8, 16, QLatin1Char('0'));
  return token;
}

bool IsBrowserToken(const QString& token) {
  if (token.size() != kTokenDigits) return false;
  for (const QChar c : token)
    if (!((c >= QLatin1Char('0') && c <= QLatin1Char('9')) ||
          (c >= QLatin1Char('a') && c <= QLatin1Char('f'))))
      return false;
  return true;
}

BrowserSurfaceConfig BrowserSurfaceConfigOf(AppSettings& settings) {
  if (!IsBrowserToken(settings.browser_token)) settings.browser_token = NewBrowserToken();
  return {settings.browser_enabled, settings.browser_port, settings.browser_network,
          settings.browser_token};
}

void StoreBrowserSurfaceConfig(const BrowserSurfaceConfig& config, AppSettings& settings) {
  settings.browser_enabled = config.enabled;
  settings.browser_port = config.port;
  settings.browser_network = config.network;
  if (IsBrowserToken(config.token)) settings.browser_token = config.token;
}

QString BrowserSurfaceHost(bool network) {
  if (network) {
    for (const QHostAddress& a : QNetworkInterface::allAddresses())
      if (a.protocol() == QAbstractSocket::IPv4Protocol && !a.isLoopback()) return a.toString();
  }
  return QStringLiteral("127.0.0.1");
}

QString BrowserSurfaceAddress(const QString& host, int port, const QString& token) {
  return QStringLiteral("http://%1:%2/?token=%3").arg(host).arg(port).arg(token);
}

}  // namespace quorvane
