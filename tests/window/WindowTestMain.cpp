#include <gtest/gtest.h>

#include <QApplication>

int main(int argc, char* argv[]) {
  // CTest runs these on the offscreen platform; so does listing them at build time.
  if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
