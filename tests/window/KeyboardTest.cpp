#include <gtest/gtest.h>

#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>

#include "ModalBoxRecorder.h"
#include "ScriptedStore.h"
#include "window/Form1.h"
#include "window/ProgressBar.h"

namespace {

class WindowKeyboard : public testing::Test {
 protected:
  void SetUp() override {
    service.AddStore("Mail");
    form.Start();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&form));
  }

  // Where the focus goes on each of `count` presses of Tab.
  std::vector<QWidget*> Tabbing(int count, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    std::vector<QWidget*> visited;
    for (int i = 0; i < count; ++i) {
      QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab, modifiers);
      visited.push_back(QApplication::focusWidget());
    }
    return visited;
  }

  scripted::ScriptedService service;
  window::Form1 form{service.Factory()};
  QSignalSpy exportClicks{form.cbExport, &QPushButton::clicked};
  QSignalSpy cancelClicks{form.cbCancel, &QPushButton::clicked};
  ModalBoxRecorder boxes{&form};  // Export with nothing selected says so
};

}  // namespace

// The bar never takes the focus.
TEST_F(WindowKeyboard, FocusStartsOnExportAndTabVisitsTheEnabledControlsInOrderInEitherState) {
  EXPECT_EQ(QApplication::focusWidget(), form.cbExport);
  EXPECT_EQ(Tabbing(5), (std::vector<QWidget*>{form.List1, form.edtMessageFile, form.List2,
                                               form.List3, form.cbExport}));
  EXPECT_EQ(Tabbing(5, Qt::ShiftModifier),
            (std::vector<QWidget*>{form.List3, form.List2, form.edtMessageFile, form.List1,
                                   form.cbExport}));
  form.EnterExportingState();
  EXPECT_TRUE(form.ProgressBar1->isVisible());
  form.List1->setFocus();
  EXPECT_EQ(Tabbing(5), (std::vector<QWidget*>{form.edtMessageFile, form.List2, form.List3,
                                               form.cbCancel, form.List1}));
}

TEST_F(WindowKeyboard, AltEAndEnterClickExportOnlyWhileEnabledAndNoButtonIsDefaultOrCancel) {
  // The access key animates the press, so its click arrives a moment later.
  QTest::keyClick(form.windowHandle(), Qt::Key_E, Qt::AltModifier);
  EXPECT_TRUE(exportClicks.wait(2000));
  QTest::keyClick(form.cbExport, Qt::Key_Return);
  EXPECT_EQ(exportClicks.count(), 2);
  EXPECT_EQ(boxes.boxes.size(), 2u);

  form.EnterExportingState();  // both buttons could answer now
  QTest::keyClick(form.windowHandle(), Qt::Key_E, Qt::AltModifier);
  QTest::mouseClick(form.cbExport, Qt::LeftButton);
  for (auto key : {Qt::Key_Return, Qt::Key_Enter, Qt::Key_Escape})
    QTest::keyClick(form.edtMessageFile, key);
  EXPECT_FALSE(exportClicks.wait(300));
  EXPECT_EQ(cancelClicks.count(), 0);
}
