// Test entry point: one QApplication on the offscreen platform unless another is
// set, and an end of the program that fails the test.
#include "formats/codecs.h"
#include "support/test_window.h"

#include <QApplication>
#include <gtest/gtest.h>

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication::setAttribute(Qt::AA_DontUseNativeDialogs);
  QApplication app(argc, argv);
  platform::InitCodecs();
  testsupport::FailTheTestOnEnd();
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
