#include <gtest/gtest.h>

#include <QCloseEvent>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>

#include "ModalBoxRecorder.h"
#include "ScriptedStore.h"
#include "window/AutoSizeLabel.h"
#include "window/Form1.h"
#include "window/ProgressBar.h"

namespace {

const QString kComplete = "VIR Izovez | Information | Export Complete";
const QString kNotFound = "Orvane | NoIcon | Message Folder Not Found";

// One store: "Inbox" with messages "a1" and "a2"; "Work" with "w1" and the subfolders "2024"
// ("s1") and "2025" (empty); and a second top-level folder also named "Work" ("x1").
class ExportCommand : public testing::Test {
 protected:
  void SetUp() override {
    auto& root = *service.AddStore("Mail").root;
    root.AddFolder("Inbox").AddMessage("a1", "body a1");
    root.folder(0).AddMessage("a2", "body a2");
    root.AddFolder("Work").AddMessage("w1", "body w1");
    root.folder(1).AddFolder("2024").AddMessage("s1", "body s1");
    root.folder(1).AddFolder("2025");
    root.AddFolder("Work").AddMessage("x1", "body x1");

    ASSERT_TRUE(dir.isValid());
    form.Start();
    form.edtMessageFile->setText(path);
    ClickEntry(*form.List1, 0);
  }

  // Picks List2's entry `top` and List3's entry `sub` (-1: none), clicks Export, and expects the
  // window idle once the export has ended.
  void Export(int top, int sub = -1) {
    if (top >= 0) ClickEntry(*form.List2, top);
    if (sub >= 0) ClickEntry(*form.List3, sub);
    QTest::mouseClick(form.cbExport, Qt::LeftButton);
    EXPECT_FALSE(form.ProgressBar1->isVisible());
    EXPECT_TRUE(form.cbExport->isEnabled());
    EXPECT_FALSE(form.cbCancel->isEnabled());
  }

  QByteArray File() const {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<no file>");
  }
  static QByteArray Record(const QByteArray& subject) {
    return "Received: from relay by mx\r\nSubject: " + subject + "\r\nbody " + subject +
           "\r\n\f\r\n";
  }
  scripted::ScriptedFolder& Top(std::size_t i) { return service.store(0).root->folder(i); }

  scripted::ScriptedService service;
  window::Form1 form{service.Factory()};
  ModalBoxRecorder boxes{&form};
  QTemporaryDir dir;
  QString path = dir.filePath("messages.txt");
};

}  // namespace

TEST_F(ExportCommand, WithNothingSelectedItSaysSoAndTouchesNoFile) {
  Export(-1);
  EXPECT_EQ(boxes.Shown(), QStringList{"Orvane | NoIcon | No Message Folder Selected"});
  EXPECT_FALSE(QFile::exists(path));
}

TEST_F(ExportCommand, ASelectedTopLevelFolderIsExportedAndTheUserToldItIsComplete) {
  bool exportingWhileOpen = false;
  boxes.whileOpen = [&](QMessageBox&) {
    exportingWhileOpen = !form.ProgressBar1->isVisible() && !form.cbExport->isEnabled() &&
                         form.cbCancel->isEnabled();
  };
  Export(0);
  EXPECT_EQ(File(), Record("a1") + Record("a2"));
  EXPECT_EQ(boxes.Shown(), QStringList{kComplete});
  EXPECT_TRUE(exportingWhileOpen) << "the bar hidden, Export still disabled, Cancel enabled";
  EXPECT_EQ(form.lblMessageCount->text(), "Messages");
  EXPECT_EQ(form.ProgressBar1->Value(), 2.0f) << "the bar keeps its last position";
}

TEST_F(ExportCommand, ASelectedSubfolderWinsOverItsTopLevelFolderSelectedOrNot) {
  Export(1, 0);
  EXPECT_EQ(File(), Record("s1"));
  QFile::remove(path);
  form.List2->clearSelection();
  Export(-1);
  EXPECT_EQ(File(), Record("s1"));
}

TEST_F(ExportCommand, EachOfTwoFoldersShownWithTheSameNameIsItsOwnEntry) {
  EXPECT_EQ(Entries(*form.List2), (QStringList{"Inbox", "Work", "Work (2)"}));
  Export(2);
  EXPECT_EQ(File(), Record("x1"));
  Export(1);
  EXPECT_EQ(File(), Record("w1"));
  // Told apart by where they are kept, when the store says; the entry leads to its own folder
  // whatever it shows.
  Top(2).origin = ".Work";
  Top(0).name = "Work";
  form.List1_Click();
  EXPECT_EQ(Entries(*form.List2), (QStringList{"Work", "Work (2)", "Work (.Work)"}));
  Export(0);
  EXPECT_EQ(File(), Record("a1") + Record("a2"));
  EXPECT_EQ(boxes.Shown(), QStringList({kComplete, kComplete, kComplete}));
}

TEST_F(ExportCommand, AFolderGoneSinceItWasListedIsReportedNotFoundAndNoFileIsWritten) {
  ClickEntry(*form.List2, 1);
  service.store(0).root->folders->elements.resize(1);
  Export(-1);
  EXPECT_EQ(boxes.Shown(), QStringList({kNotFound}));
  EXPECT_FALSE(QFile::exists(path));
}

TEST_F(ExportCommand, APathThatCannotTakeTheExportOrAFolderNotReadIsReportedAsAFailure) {
  service.store(0).locations = {dir.filePath("mail").toStdString()};
  QDir(dir.path()).mkpath("mail/cur");
  const QString missing = dir.filePath("missing/messages.txt");
  const QString inMail = dir.filePath("mail/cur/1.host:2,S");
  for (const QString& target : {missing, QString("/dev/full"), inMail}) {
    form.edtMessageFile->setText(target);
    Export(0);
  }
  form.edtMessageFile->setText(path);
  Top(0).Fail("Messages", store::Error::Unreadable("Permission denied"));
  Export(-1);
  const QString failed = "Orvane | Critical | Export Failed\n\n";
  EXPECT_EQ(boxes.Shown(),
            QStringList({failed + missing + "\nNo such file or directory",
                         failed + "/dev/full\nIt is not a regular file.",
                         failed + inMail + "\nIt lies inside " + dir.filePath("mail") +
                             ", which holds mail that Orvane reads: writing the export there "
                             "could destroy that mail.",
                         failed + "The folder's messages could not be read: Permission denied\n" +
                             path + "\nNo file was written."}));
  EXPECT_FALSE(QFile::exists(path));
  EXPECT_FALSE(QFile::exists(inMail));
}

TEST_F(ExportCommand, MessagesThatCouldNotBeReadAreNamedInTheCompleteBox) {
  Top(0).message(1).Fail("BodyText", store::Error::Unreadable("Input/output error"));
  Export(0);
  EXPECT_EQ(File(), Record("a1") + "Received: from relay by mx\r\nSubject: a2\r\n\r\n\f\r\n");
  EXPECT_EQ(boxes.Shown(), QStringList{kComplete + "\n\n1 message could not be read in full:\n"
                                                   "a2: Input/output error"});
}

TEST_F(ExportCommand, CancelEndsTheExportAfterTheCurrentRecordAndStillSaysComplete) {
  // Delivered where the export lets events through, while the first message is read.
  Top(0).message(0).On("Subject", [&] { QTest::mouseClick(form.cbCancel, Qt::LeftButton); });
  Export(0);
  EXPECT_EQ(File(), Record("a1"));
  EXPECT_FALSE(service.log->Has("store1/Inbox#2.BodyText"));
  EXPECT_EQ(boxes.Shown(), QStringList{kComplete});
  EXPECT_FALSE(form.bContinueExport) << "it keeps its value until the next export";
}

TEST_F(ExportCommand, CancelWhileIdleOnlyClearsTheFlag) {
  form.bContinueExport = true;
  QTest::mouseClick(form.cbCancel, Qt::LeftButton);  // disabled: no click
  EXPECT_TRUE(form.bContinueExport);
  form.cbCancel_Click();
  EXPECT_FALSE(form.bContinueExport);
  EXPECT_TRUE(boxes.boxes.empty());
}

TEST_F(ExportCommand, ClosingTheWindowEndsTheExportQuietlyAfterACompleteRecord) {
  Top(0).message(0).On("Subject",
                       [&] { QApplication::postEvent(form.windowHandle(), new QCloseEvent); });
  Export(0);
  EXPECT_EQ(File(), Record("a1"));
  EXPECT_TRUE(boxes.boxes.empty()) << "no box brings the closed window back";
  EXPECT_FALSE(form.isVisible());
  EXPECT_TRUE(service.log->Has("session.LogOff"));
  EXPECT_EQ(form.objSession, nullptr);
  EXPECT_FALSE(service.log->Has("store1/Inbox#2.FieldValue(0x007D001E)"));
}

TEST_F(ExportCommand, AListClickDuringTheExportDoesNotDisturbIt) {
  Top(0).message(0).On("Subject", [&] { ClickEntry(*form.List2, 1); });
  Export(0);
  EXPECT_EQ(File(), Record("a1") + Record("a2"));
  EXPECT_EQ(Entries(*form.List3), (QStringList{"2024", "2025"}));
}
