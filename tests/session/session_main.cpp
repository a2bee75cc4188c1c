// Test main for the search session: a QCoreApplication, whose event loop
// carries the store's answers back to the session's thread. No display.
#include <gtest/gtest.h>

#include <QCoreApplication>

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  QCoreApplication app(argc, argv);
  return RUN_ALL_TESTS();
}
