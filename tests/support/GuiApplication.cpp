// HTML bodies are read with Qt's rich-text document, which needs the fonts of a GUI
// application: every test of messages and stores runs inside one, on the offscreen platform.

#include <gtest/gtest.h>

#include <QGuiApplication>
#include <memory>

namespace {

struct GuiApplication : testing::Environment {
  void SetUp() override {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    static int argc = 1;
    static char name[] = "orvane_tests", *argv[] = {name, nullptr};
    application = std::make_unique<QGuiApplication>(argc, argv);
  }
  void TearDown() override { application.reset(); }
  std::unique_ptr<QGuiApplication> application;
};

const auto* const registered = ::testing::AddGlobalTestEnvironment(new GuiApplication);

}  // namespace
