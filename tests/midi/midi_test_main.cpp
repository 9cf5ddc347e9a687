#include <gtest/gtest.h>

#include <QCoreApplication>

// The ports wake the GUI thread through socket notifiers, which need an application object.
int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
