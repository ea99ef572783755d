#include <gtest/gtest.h>

#include <QCloseEvent>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>

#include "ModalBoxRecorder.h"
#include "ScriptedStore.h"
#include "WindowTesting.h"
#include "window/AutoSizeLabel.h"
#include "window/Form1.h"
#include "window/ProgressBar.h"

namespace {

// One store: "Inbox" with messages "a1" and "a2"; "Work" with "w1" and the subfolders "2024"
// ("s1") and "2025" (empty); and a second top-level folder also named "Work" ("x1").
class ExportCommand : public testing::Test {
 protected:
  void SetUp() override {
    auto& root = *service.AddStore("Mail").root;
    root.AddFolder("Inbox").AddMessage("a1", "body a1");
    root.folder(0).AddMessage("a2", "body a2");
    auto& work = root.AddFolder("Work");
    work.AddMessage("w1", "body w1");
    work.AddFolder("2024").AddMessage("s1", "body s1");
    work.AddFolder("2025");
    root.AddFolder("Work").AddMessage("x1", "body x1");

    ASSERT_TRUE(dir.isValid());
    path = dir.filePath("messages.txt");
    form.Start();
    form.edtMessageFile->setText(path);
    ClickEntry(*form.List1, 0);
  }

  QByteArray File() const {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<no file>");
  }

  static QByteArray Record(const QByteArray& subject) {
    return "Received: from relay by mx\r\nSubject: " + subject + "\r\nbody " + subject +
           "\r\n\f\r\n";
  }

  void ExpectIdle() {
    EXPECT_FALSE(form.ProgressBar1->isVisible());
    EXPECT_TRUE(form.cbExport->isEnabled());
    EXPECT_FALSE(form.cbCancel->isEnabled());
  }

  scripted::ScriptedService service;
  window::Form1 form{service.Factory()};
  ModalBoxRecorder boxes{&form};
  QTemporaryDir dir;
  QString path;
};

}  // namespace

TEST_F(ExportCommand, WithNothingSelectedItSaysSoAndTouchesNoFile) {
  QTest::mouseClick(form.cbExport, Qt::LeftButton);
  ASSERT_EQ(boxes.boxes.size(), 1u);
  EXPECT_EQ(boxes.boxes[0].prompt, "No Message Folder Selected");
  EXPECT_EQ(boxes.boxes[0].title, "Orvane");
  EXPECT_EQ(boxes.boxes[0].icon, QMessageBox::NoIcon);
  EXPECT_FALSE(QFile::exists(path));
  ExpectIdle();
}

TEST_F(ExportCommand, ASelectedTopLevelFolderIsExportedAndTheUserToldItIsComplete) {
  ClickEntry(*form.List2, 0);
  bool barHidden = false, exportDisabled = false, cancelEnabled = false;
  boxes.whileOpen = [&](QMessageBox&) {
    barHidden = !form.ProgressBar1->isVisible();
    exportDisabled = !form.cbExport->isEnabled();
    cancelEnabled = form.cbCancel->isEnabled();
  };
  QTest::mouseClick(form.cbExport, Qt::LeftButton);

  EXPECT_EQ(File(), Record("a1") + Record("a2"));
  ASSERT_EQ(boxes.boxes.size(), 1u);
  EXPECT_EQ(boxes.boxes[0].prompt, "Export Complete");
  EXPECT_EQ(boxes.boxes[0].title, "VIR Izovez");
  EXPECT_EQ(boxes.boxes[0].icon, QMessageBox::Information);
  EXPECT_TRUE(barHidden && exportDisabled && cancelEnabled) << "while the box is open";
  ExpectIdle();
  EXPECT_EQ(form.lblMessageCount->text(), "Messages");
  EXPECT_EQ(form.ProgressBar1->Value(), 2.0f) << "the bar keeps its last position";
}

TEST_F(ExportCommand, ASelectedSubfolderWinsOverItsTopLevelFolder) {
  ClickEntry(*form.List2, 1);
  ClickEntry(*form.List3, 0);
  QTest::mouseClick(form.cbExport, Qt::LeftButton);
  EXPECT_EQ(File(), Record("s1"));

  // Another store picked since: List3 still shows, and exports, the subfolder.
  form.List2->clearSelection();
  QTest::mouseClick(form.cbExport, Qt::LeftButton);
  EXPECT_EQ(File(), Record("s1"));
}

TEST_F(ExportCommand, OfTwoFoldersWithTheSelectedNameOnlyTheFirstIsExported) {
  ClickEntry(*form.List2, 2);  // the second "Work"
  QTest::mouseClick(form.cbExport, Qt::LeftButton);
  EXPECT_EQ(File(), Record("w1"));
  EXPECT_EQ(service.log->CountOf("store1/Work.Messages"), 1);
  EXPECT_EQ(boxes.boxes.back().prompt, "Export Complete");
}

TEST_F(ExportCommand, AFolderThatNoLongerMatchesIsReportedNotFoundAndNoFileIsWritten) {
  ClickEntry(*form.List2, 0);
  service.store(0).root->folder(0).name = "inbox";
  QTest::mouseClick(form.cbExport, Qt::LeftButton);
  ASSERT_EQ(boxes.boxes.size(), 1u);
  EXPECT_EQ(boxes.boxes[0].prompt, "Message Folder Not Found");
  EXPECT_EQ(boxes.boxes[0].title, "Orvane");
  EXPECT_EQ(boxes.boxes[0].buttons, QMessageBox::Ok);
  EXPECT_FALSE(QFile::exists(path));
  ExpectIdle();

  service.store(0).root->folders->elements.clear();  // an empty collection
  QTest::mouseClick(form.cbExport, Qt::LeftButton);
  EXPECT_EQ(boxes.boxes.back().prompt, "Message Folder Not Found");
}

TEST_F(ExportCommand, AFileThatCannotBeOpenedIsReportedAsAFailure) {
  form.edtMessageFile->setText(dir.filePath("missing/messages.txt"));
  ClickEntry(*form.List2, 0);
  QTest::mouseClick(form.cbExport, Qt::LeftButton);
  ASSERT_EQ(boxes.boxes.size(), 1u);
  EXPECT_EQ(boxes.boxes[0].prompt, "Export Failed\n\n" + dir.filePath("missing/messages.txt") +
                                       "\nNo such file or directory");
  EXPECT_EQ(boxes.boxes[0].icon, QMessageBox::Critical);
  EXPECT_EQ(boxes.boxes[0].title, "Orvane");
  ExpectIdle();
}

TEST_F(ExportCommand, AFullDiskIsReportedWithWhatTheFileHolds) {
  form.edtMessageFile->setText("/dev/full");
  ClickEntry(*form.List2, 0);
  QTest::mouseClick(form.cbExport, Qt::LeftButton);
  ASSERT_EQ(boxes.boxes.size(), 1u);
  EXPECT_EQ(boxes.boxes[0].prompt,
            "Export Failed\n\n/dev/full\nNo space left on device\n"
            "The file holds the first 0 complete message records.");
}

TEST_F(ExportCommand, MessagesThatCouldNotBeReadAreNamedInTheCompleteBox) {
  auto& inbox = service.store(0).root->folder(0);
  inbox.message(1).Fail("BodyText", store::Error::Unreadable("Input/output error"));
  ClickEntry(*form.List2, 0);
  QTest::mouseClick(form.cbExport, Qt::LeftButton);
  EXPECT_EQ(File(), Record("a1") + "Received: from relay by mx\r\nSubject: a2\r\n\r\n\f\r\n");
  ASSERT_EQ(boxes.boxes.size(), 1u);
  EXPECT_EQ(boxes.boxes[0].prompt,
            "Export Complete\n\n1 message could not be read in full:\na2: Input/output error");
  EXPECT_EQ(boxes.boxes[0].title, "VIR Izovez");
}

TEST_F(ExportCommand, CancelEndsTheExportAfterTheCurrentRecordAndStillSaysComplete) {
  auto& inbox = service.store(0).root->folder(0);
  inbox.message(0).On("Subject", [&] {
    // Delivered where the export lets events through, while the first message is written.
    QTest::mouseClick(form.cbCancel, Qt::LeftButton);
  });
  ClickEntry(*form.List2, 0);
  QTest::mouseClick(form.cbExport, Qt::LeftButton);
  EXPECT_EQ(File(), Record("a1"));
  EXPECT_FALSE(service.log->Has("store1/Inbox#2.BodyText"));
  EXPECT_EQ(boxes.boxes.back().prompt, "Export Complete");
  ExpectIdle();
  EXPECT_FALSE(form.bContinueExport) << "it keeps its value until the next export";
}

TEST_F(ExportCommand, CancelWhileIdleOnlyClearsTheFlag) {
  QTest::mouseClick(form.cbCancel, Qt::LeftButton);
  EXPECT_TRUE(boxes.boxes.empty());
  form.bContinueExport = true;
  form.cbCancel_Click();
  EXPECT_FALSE(form.bContinueExport);
  ExpectIdle();
  EXPECT_TRUE(boxes.boxes.empty());
}

TEST_F(ExportCommand, ClosingTheWindowEndsTheExportQuietlyAfterACompleteRecord) {
  auto& inbox = service.store(0).root->folder(0);
  std::weak_ptr<store::Collection<store::Message>> messages = inbox.messages;
  inbox.message(0).On("Subject",
                      [&] { QApplication::postEvent(form.windowHandle(), new QCloseEvent); });
  ClickEntry(*form.List2, 0);
  QTest::mouseClick(form.cbExport, Qt::LeftButton);

  EXPECT_EQ(File(), Record("a1"));
  EXPECT_TRUE(boxes.boxes.empty()) << "no box brings the closed window back";
  EXPECT_FALSE(form.isVisible());
  EXPECT_TRUE(service.log->Has("session.LogOff"));
  EXPECT_EQ(form.objSession, nullptr);
  EXPECT_FALSE(service.log->Has("store1/Inbox#2.FieldValue(0x007D001E)"));
}

TEST_F(ExportCommand, AListClickDuringTheExportDoesNotDisturbIt) {
  auto& inbox = service.store(0).root->folder(0);
  inbox.message(0).On("Subject", [&] { ClickEntry(*form.List2, 1); });
  ClickEntry(*form.List2, 0);
  QTest::mouseClick(form.cbExport, Qt::LeftButton);
  EXPECT_EQ(File(), Record("a1") + Record("a2"));
  EXPECT_EQ(Entries(*form.List3), (QStringList{"2024", "2025"}));
}
