#include "surface/status_board.h"

#include <gtest/gtest.h>

#include <QSignalSpy>

namespace quorvane {
namespace {

TEST(StatusBoardTest, OutputLampGoesDarkAfterTheLastMessageAndClearsTheSentPanels) {
  StatusBoard board;
  QSignalSpy spy(&board, &StatusBoard::activityChanged);
  board.SetPanel(2, QStringLiteral("5"));
  board.SetPanel(4, QStringLiteral("6"));
  board.NoteMidiOut();
  board.NoteMidiOut();
  EXPECT_TRUE(board.OutActivity());
  EXPECT_EQ(spy.count(), 1) << "lit once while messages keep coming";
  EXPECT_TRUE(board.MidiOutTimer().isActive());
  ASSERT_TRUE(spy.wait(2000));
  EXPECT_FALSE(board.OutActivity());
  EXPECT_TRUE(board.Panel(2).isEmpty());
  EXPECT_TRUE(board.Panel(4).isEmpty());
}

TEST(StatusBoardTest, InputLampLightsAndClears) {
  StatusBoard board;
  board.NoteMidiIn();
  EXPECT_TRUE(board.InActivity());
  QSignalSpy spy(&board, &StatusBoard::activityChanged);
  ASSERT_TRUE(spy.wait(2000));
  EXPECT_FALSE(board.InActivity());
}

}  // namespace
}  // namespace quorvane
