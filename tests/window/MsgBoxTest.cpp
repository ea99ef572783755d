#include <gtest/gtest.h>

#include "ModalBoxRecorder.h"
#include "window/MsgBox.h"

using window::MsgBox;
using window::MsgBoxStyle;

TEST(MessageBox, PlainStyleShowsThePromptWithOkAloneUnderTheApplicationTitle) {
  QWidget owner;
  ModalBoxRecorder recorder;
  MsgBox(&owner, "No Message Folder Selected");

  ASSERT_EQ(recorder.boxes.size(), 1u);
  const auto& box = recorder.boxes[0];
  EXPECT_EQ(box.prompt, "No Message Folder Selected");
  EXPECT_EQ(box.icon, QMessageBox::NoIcon);
  EXPECT_EQ(box.title, "Orvane");
  EXPECT_EQ(box.buttons, QMessageBox::Ok);
  EXPECT_EQ(box.buttonCount, 1);
  EXPECT_TRUE(box.modal);
}

TEST(MessageBox, InformationStyleShowsTheIconAndTheTitleGiven) {
  QWidget owner;
  ModalBoxRecorder recorder;
  MsgBox(&owner, "Export Complete", MsgBoxStyle::Information, "Export report");

  ASSERT_EQ(recorder.boxes.size(), 1u);
  EXPECT_EQ(recorder.boxes[0].prompt, "Export Complete");
  EXPECT_EQ(recorder.boxes[0].icon, QMessageBox::Information);
  EXPECT_EQ(recorder.boxes[0].title, "Export report");
  EXPECT_EQ(recorder.boxes[0].buttons, QMessageBox::Ok);
}

TEST(MessageBox, ShowsMarkupInThePromptAsTyped) {
  ModalBoxRecorder recorder;
  MsgBox(nullptr, "<b>C:\\mail</b> & more");
  ASSERT_EQ(recorder.boxes.size(), 1u);
  EXPECT_EQ(recorder.boxes[0].prompt, "<b>C:\\mail</b> & more");
  EXPECT_EQ(QApplication::activeModalWidget(), nullptr) << "returns only once dismissed";
}
