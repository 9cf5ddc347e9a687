#include "shell/splash_gate.h"

#include <gtest/gtest.h>

#include <QSignalSpy>

#include "shell/about_info.h"

namespace quorvane {
namespace {

TEST(SplashGateTest, OpensOnceWhenItsTimeIsUp) {
  SplashGate gate(20);
  QSignalSpy opened(&gate, &SplashGate::mayClose);
  EXPECT_FALSE(gate.MayClose());
  ASSERT_TRUE(opened.wait(2000));
  EXPECT_TRUE(gate.MayClose());
  gate.Click();  // too late to matter
  EXPECT_EQ(opened.count(), 1);
}

TEST(SplashGateTest, AClickOpensItAtOnce) {
  SplashGate gate;
  QSignalSpy opened(&gate, &SplashGate::mayClose);
  gate.Click();
  EXPECT_TRUE(gate.MayClose());
  gate.Click();
  EXPECT_EQ(opened.count(), 1);
}

TEST(AboutInfoTest, LinksAreWellFormed) {
  const AboutInfo info = AboutInfo::OfThisBuild();
  EXPECT_FALSE(info.version.isEmpty());
  EXPECT_TRUE(info.WebUrl().isValid());
  EXPECT_EQ(info.MailUrl().scheme(), QStringLiteral("mailto"));
  EXPECT_EQ(info.MailUrl().path(), info.contact_address);
}

}  // namespace
}  // namespace quorvane
