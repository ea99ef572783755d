// HTML bodies are read with Qt's rich-text document, which needs the fonts of a GUI
// application: every store test runs inside one, on the offscreen platform.

#include <gtest/gtest.h>

#include <QGuiApplication>
#include <memory>

namespace {

class GuiApplication : public ::testing::Environment {
  void SetUp() override {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    static int argc = 1;
    static char name[] = "store_tests";
    static char* argv[] = {name, nullptr};
    application_ = std::make_unique<QGuiApplication>(argc, argv);
  }
  void TearDown() override { application_.reset(); }
  std::unique_ptr<QGuiApplication> application_;
};

const auto* const registered = ::testing::AddGlobalTestEnvironment(new GuiApplication);

}  // namespace
