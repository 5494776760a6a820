// Test main for tests that show widgets: the calling thread becomes the window thread of a
// QApplication.
#include <QApplication>

#include <gtest/gtest.h>

#include <cstdio>

namespace {

// Qt's own messages (the offscreen platform warns about fixed-size boxes, for one) are marked, so
// that tests of what the program writes to standard error can tell them apart.
void WriteMarked(QtMsgType /*type*/, const QMessageLogContext& /*context*/, const QString& message) {
  std::fprintf(stderr, "Qt: %s\n", qPrintable(message));
}

}  // namespace

int main(int argc, char** argv) {
  testing::InitGoogleTest(&argc, argv);
  // Listing the tests, as ctest does to find them, needs no window system.
  if (GTEST_FLAG_GET(list_tests)) return RUN_ALL_TESTS();
  qInstallMessageHandler(WriteMarked);
  QApplication application(argc, argv);
  return RUN_ALL_TESTS();
}
