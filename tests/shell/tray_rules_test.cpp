#include "shell/tray_rules.h"

#include <gtest/gtest.h>

#include <QSignalSpy>

#include "surface/window_mode.h"

namespace quorvane {
namespace {

// The windows come back out only of an area that went while they were hidden in it.
TEST(TrayRules, RestoresOnlyWhenTheAreaHoldingTheWindowsGoes) {
  struct Case {
    bool enabled, was, now, minimized;
    bool news, restored;
  };
  const Case cases[] = {
      {true, true, false, true, true, true},     // the area went with the windows in it
      {true, true, false, false, true, false},   // went, nothing hidden
      {false, true, false, true, true, false},   // minimised the ordinary way
      {true, false, true, true, true, false},    // an area came
      {true, true, true, true, false, false},    // no change
      {true, false, false, true, false, false},  // still none
  };
  for (const Case& c : cases) {
    WindowMode window;
    window.SetMinimized(c.minimized);
    QSignalSpy restores(&window, &WindowMode::restoreRequested);
    TrayRules rules(window);
    rules.SetEnabled(c.enabled);
    rules.SetKnownAvailable(c.was);
    EXPECT_EQ(rules.NoteAvailable(c.now), c.news);
    EXPECT_EQ(restores.count() == 1, c.restored) << c.enabled << c.was << c.now << c.minimized;
    EXPECT_FALSE(rules.NoteAvailable(c.now)) << "told twice";
  }
}

}  // namespace
}  // namespace quorvane
