#include "web/browser_surface_config.h"

#include <gtest/gtest.h>

namespace quorvane {
namespace {

// A stored token is kept only when it is 32 lower-case hex digits; any other is replaced by a
// fresh one, which then stays in the settings to be saved.
TEST(BrowserSurfaceConfig, OnlyAWellFormedTokenIsKept) {
  const QString good = QStringLiteral("0123456789abcdef0123456789abcdef");
  for (const QString& stored :
       {QString(), good.left(31), good + "0", good.toUpper(), QString(good).replace(5, 1, "g"),
        QString(good).replace(0, 1, " ")}) {
    AppSettings settings;
    settings.browser_token = stored;
    const QString token = BrowserSurfaceConfigOf(settings).token;
    EXPECT_TRUE(IsBrowserToken(token)) << stored.toStdString();
    EXPECT_NE(token, stored);
    EXPECT_EQ(settings.browser_token, token) << "the fresh token is kept for the save";
    EXPECT_EQ(BrowserSurfaceConfigOf(settings).token, token) << "and read again as it is";
  }
  AppSettings settings;
  settings.browser_token = good;
  EXPECT_EQ(BrowserSurfaceConfigOf(settings).token, good);
  EXPECT_NE(NewBrowserToken(), NewBrowserToken());
}

TEST(BrowserSurfaceConfig, TheAddressNamesThisComputerUnlessTheNetworkMayConnect) {
  EXPECT_EQ(BrowserSurfaceHost(false), "127.0.0.1");
  EXPECT_FALSE(BrowserSurfaceHost(true).isEmpty());
  EXPECT_EQ(BrowserSurfaceAddress("192.168.1.5", 8460, "ab"), "http://192.168.1.5:8460/?token=ab");
}

}  // namespace
}  // namespace quorvane
