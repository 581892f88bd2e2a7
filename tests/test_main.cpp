// Test entry point: one QApplication on the offscreen platform unless another is set.
#include "pixels/codecs.h"

#include <QApplication>
#include <gtest/gtest.h>

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication::setAttribute(Qt::AA_DontUseNativeDialogs);
  QApplication app(argc, argv);
  platform::InitCodecs();
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
