#include "GuiApplication.h"

#include <QGuiApplication>

void StartGuiApplication() {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  // Qt takes options out of argv; libFuzzer keeps its own.
  static int argc = 1;
  static char name[] = "message_fuzzer";
  static char* argv[] = {name, nullptr};
  static QGuiApplication application(argc, argv);
}
