#include "remote/transport.h"

#include <gtest/gtest.h>

#include <tuple>
#include <vector>

#include "surface/surface_model.h"

namespace quorvane {
namespace {

using Sent = std::tuple<int, int, int>;

class TransportTest : public ::testing::Test {
 protected:
  void SetUp() override {
    model.SetOutputInUse(true);
    model.SetShortSender([this](std::uint8_t s, std::uint8_t d1, std::uint8_t d2) {
      sent.emplace_back(s, d1, d2);
      return accept;
    });
  }

  // As the program joins it: the model's plain send.
  bool Send(const TransportControllers& controllers, TransportButton button) {
    return SendTransport(controllers, button, model.OutputInUse(),
                         [this](std::uint8_t s, std::uint8_t d1, std::uint8_t d2) {
                           return model.SendShortMessage(s, d1, d2);
                         });
  }

  SurfaceModel model;
  std::vector<Sent> sent;
  bool accept = true;
};

TEST_F(TransportTest, EachButtonSendsItsOneControlChange) {
  AppSettings tenth;
  tenth.transport_channel = 10;
  AppSettings edited;
  edited.play_controller = 20;
  edited.stop_controller = 21;
  edited.record_controller = 22;
  edited.pause_controller = 127;
  edited.transport_channel = 16;
  struct Case {
    const char* what;
    AppSettings settings;
    TransportButton button;
    Sent expected;
  };
  const Case cases[] = {
      {"play", AppSettings{}, TransportButton::kPlay, {0xB0, 65, 127}},
      {"stop", AppSettings{}, TransportButton::kStop, {0xB0, 66, 127}},
      {"record", AppSettings{}, TransportButton::kRecord, {0xB0, 67, 127}},
      {"pause", AppSettings{}, TransportButton::kPause, {0xB0, 68, 127}},
      {"stop on channel 10", tenth, TransportButton::kStop, {0xB9, 66, 127}},
      {"edited play", edited, TransportButton::kPlay, {0xBF, 20, 127}},
      {"edited stop", edited, TransportButton::kStop, {0xBF, 21, 127}},
      {"edited record", edited, TransportButton::kRecord, {0xBF, 22, 127}},
      {"edited pause", edited, TransportButton::kPause, {0xBF, 127, 127}},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.what);
    sent.clear();
    model.Status().MidiOutTimerTimer();
    EXPECT_TRUE(Send(TransportControllersOf(k.settings), k.button));
    EXPECT_EQ(sent, (std::vector<Sent>{k.expected}));  // no release message follows
    EXPECT_TRUE(model.Status().OutActivity());
  }
}

TEST_F(TransportTest, TheStatusBarKeepsItsControllerAndValue) {
  model.SendControlChange(7, 1, 99);
  const QString controller = model.Status().Panel(2);
  const QString value = model.Status().Panel(4);
  ASSERT_EQ(controller, "7");
  EXPECT_TRUE(Send(TransportControllers{}, TransportButton::kPlay));
  EXPECT_EQ(model.Status().Panel(2), controller);
  EXPECT_EQ(model.Status().Panel(4), value);
}

TEST_F(TransportTest, NothingGoesOutWithoutAnOutput) {
  model.SetOutputInUse(false);
  for (const TransportButton b : {TransportButton::kPlay, TransportButton::kStop,
                                  TransportButton::kRecord, TransportButton::kPause}) {
    EXPECT_FALSE(Send(TransportControllers{}, b));
  }
  EXPECT_TRUE(sent.empty());
  EXPECT_FALSE(model.Status().OutActivity());
}

TEST_F(TransportTest, ARefusedSendIsReported) {
  accept = false;
  EXPECT_FALSE(Send(TransportControllers{}, TransportButton::kRecord));
  EXPECT_FALSE(model.Status().OutActivity());
}

}  // namespace
}  // namespace quorvane
