#include <gtest/gtest.h>

#include "ModalBoxRecorder.h"
#include "window/MsgBox.h"

using window::MsgBox;
using window::MsgBoxStyle;

TEST(MessageBox, ShowsThePromptAsTypedWithTheStylesIconUnderTheTitleOrvaneUnlessGiven) {
  ModalBoxRecorder recorder;
  QWidget owner;
  MsgBox(&owner, "No Message Folder Selected");
  MsgBox(&owner, "<b>C:\\mail</b> & more", MsgBoxStyle::Information, "Export report");
  MsgBox(nullptr, "Export Failed", MsgBoxStyle::Critical);
  EXPECT_EQ(recorder.Shown(), (QStringList{"Orvane | NoIcon | No Message Folder Selected",
                                           "Export report | Information | <b>C:\\mail</b> & more",
                                           "Orvane | Critical | Export Failed"}));
  EXPECT_EQ(QApplication::activeModalWidget(), nullptr) << "returns only once dismissed";
}
