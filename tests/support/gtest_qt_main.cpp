#include <gtest/gtest.h>

#include <QCoreApplication>

// Core tests run with a QCoreApplication so that timers and socket notifiers work.
int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
