#include <gtest/gtest.h>

#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

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

  // Where the focus goes on pressing Tab (or Shift+Tab) `count` times.
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

TEST_F(WindowKeyboard, FocusStartsOnExportAndTabSkipsDisabledCancel) {
  EXPECT_EQ(QApplication::focusWidget(), form.cbExport);
  EXPECT_EQ(Tabbing(5), (std::vector<QWidget*>{form.List1, form.edtMessageFile, form.List2,
                                               form.List3, form.cbExport}));
  EXPECT_EQ(Tabbing(5, Qt::ShiftModifier),
            (std::vector<QWidget*>{form.List3, form.List2, form.edtMessageFile, form.List1,
                                   form.cbExport}));
}

TEST_F(WindowKeyboard, WhileExportingTabVisitsCancelAndSkipsDisabledExport) {
  form.EnterExportingState();
  form.List1->setFocus();
  EXPECT_EQ(Tabbing(5), (std::vector<QWidget*>{form.edtMessageFile, form.List2, form.List3,
                                               form.cbCancel, form.List1}));
}

TEST_F(WindowKeyboard, AltEAndEnterOnTheButtonClickExportOnlyWhileItIsEnabled) {
  // The access key animates the press, so its click arrives a moment later.
  QTest::keyClick(form.windowHandle(), Qt::Key_E, Qt::AltModifier);
  EXPECT_TRUE(exportClicks.wait(2000));
  QTest::keyClick(form.cbExport, Qt::Key_Return);
  EXPECT_EQ(exportClicks.count(), 2);
  EXPECT_EQ(boxes.boxes.size(), 2u);

  form.EnterExportingState();
  QTest::keyClick(form.windowHandle(), Qt::Key_E, Qt::AltModifier);
  QTest::mouseClick(form.cbExport, Qt::LeftButton);
  EXPECT_FALSE(exportClicks.wait(300));
}

TEST_F(WindowKeyboard, NeitherButtonIsTheDefaultOrTheCancelButton) {
  form.EnterExportingState();  // both could otherwise answer
  for (auto key : {Qt::Key_Return, Qt::Key_Enter, Qt::Key_Escape})
    QTest::keyClick(form.edtMessageFile, key);
  EXPECT_EQ(exportClicks.count() + cancelClicks.count(), 0);
}

TEST_F(WindowKeyboard, TheTwoStatesSwapTheButtonsAndShowOrHideTheBarOnly) {
  QTest::mouseClick(form.cbCancel, Qt::LeftButton);
  EXPECT_EQ(cancelClicks.count(), 0) << "Cancel is disabled when idle";

  form.EnterExportingState();
  EXPECT_TRUE(form.ProgressBar1->isVisible());
  EXPECT_FALSE(form.cbExport->isEnabled());
  EXPECT_TRUE(form.cbCancel->isEnabled());
  for (QWidget* w : std::vector<QWidget*>{form.List1, form.List2, form.List3, form.edtMessageFile})
    EXPECT_TRUE(w->isEnabled());

  form.EnterIdleState();
  EXPECT_FALSE(form.ProgressBar1->isVisible());
  EXPECT_TRUE(form.cbExport->isEnabled());
  EXPECT_FALSE(form.cbCancel->isEnabled());
}
