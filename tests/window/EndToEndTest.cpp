// The whole program on real stores: a Maildir++ tree and a profile's mbox tree in a home of the
// test's own, picked with real clicks, exported, cancelled and closed.

#include <gtest/gtest.h>

#include <QCloseEvent>
#include <QFile>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <filesystem>
#include <fstream>

#include "ModalBoxRecorder.h"
#include "TempHome.h"
#include "WindowTesting.h"
#include "window/Form1.h"
#include "window/ProgressBar.h"

namespace {

std::string Delivered(int i, const std::string& subject, const std::string& body) {
  return "Received: from mx.example.org by mail.example.net; Mon, 1 Jan 2024 10:00:00 +0000\n"
         "From: Ann Example <ann@example.org>\nTo: bob@example.net\nSubject: " +
         subject + "\nMessage-ID: <" + std::to_string(i) + "@example.org>\n\n" + body;
}

// A record in the transport-header form: the header section, each line ended by CR LF, then the
// line end the file adds, the body and the form-feed line.
std::string Record(int i, const std::string& subject, const std::string& body) {
  return "Received: from mx.example.org by mail.example.net; Mon, 1 Jan 2024 10:00:00 +0000\r\n"
         "From: Ann Example <ann@example.org>\r\nTo: bob@example.net\r\nSubject: " +
         subject + "\r\nMessage-ID: <" + std::to_string(i) + "@example.org>\r\n\r\n" + body +
         "\r\n\f\r\n";
}

class EndToEnd : public testing::Test {
 protected:
  void SetUp() override {
    home.Write("Maildir/cur/1700000001.1.host:2,S", Delivered(1, "Inbox one", "First.\n"));
    home.Write("Maildir/.Work/cur/1700000002.2.host:2,S", Delivered(2, "Work one", "Work.\n"));
    home.Write("Maildir/.Work.2024/cur/1700000003.3.host:2,S",
               Delivered(3, "Plan", "From here on, plans.\n"));
    home.Write("Maildir/.Work.2024/cur/1700000004.4.host:2,S",
               "From: \"Ann, Example\" <ann@example.org>\nTo: Bob <bob@example.net>\n"
               "Subject: =?UTF-8?Q?Entw=C3=BCrfe?=\nMessage-ID: <4@example.org>\n\nDraft.\n");
    for (int i = 10; i < 40; ++i)
      home.Write("Maildir/.Big/cur/17000000" + std::to_string(i) + ".big:2,S",
                 Delivered(i, "Big " + std::to_string(i), "Line.\n"));

    home.Write(".thunderbird/profiles.ini",
               "[General]\nStartWithLastProfile=1\n\n"
               "[Profile0]\nName=default\nIsRelative=1\nPath=p.default\n");
    home.Write(".thunderbird/p.default/Mail/Local Folders/Archive",
               "From ann@example.org Mon Jan  1 10:00:00 2024\n" + Delivered(5, "Old", "Old.\n") +
                   "\nFrom ann@example.org Mon Jan  1 11:00:00 2024\n" +
                   Delivered(6, "Older", ">From the archive.\n") + "\n");
    home.Write(
        ".thunderbird/p.default/Mail/Local Folders/Archive.sbd/2023",
        "From ann@example.org Mon Jan  1 12:00:00 2023\n" + Delivered(7, "Year", "Year.\n") + "\n");

    path = QString::fromStdString(home / "export.txt");
    form.Start();
    form.edtMessageFile->setText(path);
  }

  std::string Export() {
    QTest::mouseClick(form.cbExport, Qt::LeftButton);
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll().toStdString() : "<no file>";
  }

  // Clicks Cancel (or asks the window to close) through the event queue once the bar reaches
  // `message`, so the click is handled where the export lets events through.
  void WhenTheBarReaches(float message, std::function<void()> act) {
    QObject::connect(form.ProgressBar1, &QProgressBar::valueChanged, form.ProgressBar1,
                     [this, message, act, done = false]() mutable {
                       if (!done && form.ProgressBar1->Value() == message) {
                         done = true;
                         act();
                       }
                     });
  }

  void PostCancelClick() {
    const QPointF at = QRectF(form.cbCancel->rect()).center();
    const QPointF global = form.cbCancel->mapToGlobal(at);
    for (QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease})
      QApplication::postEvent(form.cbCancel, new QMouseEvent(type, at, global, Qt::LeftButton,
                                                             Qt::LeftButton, Qt::NoModifier));
  }

  TempHome home;
  window::Form1 form;
  ModalBoxRecorder boxes{&form};
  QString path;
};

}  // namespace

TEST_F(EndToEnd, TheStoresOnDiskAreListedAndBrowsed) {
  EXPECT_EQ(Entries(*form.List1), (QStringList{"Maildir", "Local Folders"}));
  ClickEntry(*form.List1, 0);
  EXPECT_EQ(Entries(*form.List2), (QStringList{"Inbox", "Big", "Work"}));
  ClickEntry(*form.List2, 2);
  EXPECT_EQ(Entries(*form.List3), (QStringList{"2024"}));
  ClickEntry(*form.List1, 1);
  EXPECT_EQ(Entries(*form.List2), (QStringList{"Archive"}));
  ClickEntry(*form.List2, 0);
  EXPECT_EQ(Entries(*form.List3), (QStringList{"2023"}));
}

TEST_F(EndToEnd, AMaildirSubfolderIsExportedByteForByte) {
  ClickEntry(*form.List1, 0);
  ClickEntry(*form.List2, 2);
  ClickEntry(*form.List3, 0);
  EXPECT_EQ(Export(), Record(3, "Plan", "From here on, plans.\r\n") +
                          "Message-ID: <4@example.org>\r\n"
                          "From: Ann, Example <ann@example.org>\r\n"
                          "To: Bob <bob@example.net>\r\n"
                          "Subject: Entwürfe\r\n"
                          "Date: 11/14/23 22:13:24\r\n"
                          "\r\n"
                          "Draft.\r\n"
                          "\r\n\f\r\n");
  ASSERT_EQ(boxes.boxes.size(), 1u);
  EXPECT_EQ(boxes.boxes[0].prompt, "Export Complete");
}

TEST_F(EndToEnd, AnMboxTopLevelFolderIsExportedByteForByte) {
  ClickEntry(*form.List1, 1);
  ClickEntry(*form.List2, 0);
  EXPECT_EQ(Export(), Record(5, "Old", "Old.\r\n") + Record(6, "Older", "From the archive.\r\n"));
}

TEST_F(EndToEnd, CancelDuringTheExportLeavesTheRecordsUpToTheCurrentMessage) {
  ClickEntry(*form.List1, 0);
  ClickEntry(*form.List2, 1);
  WhenTheBarReaches(3, [this] { PostCancelClick(); });
  std::string expected;
  for (int i = 10; i < 13; ++i) expected += Record(i, "Big " + std::to_string(i), "Line.\r\n");
  EXPECT_EQ(Export(), expected);
  EXPECT_EQ(boxes.boxes.back().prompt, "Export Complete");
  EXPECT_TRUE(form.cbExport->isEnabled());
}

TEST_F(EndToEnd, ClosingTheWindowDuringTheExportEndsItOnACompleteRecord) {
  ClickEntry(*form.List1, 0);
  ClickEntry(*form.List2, 1);
  WhenTheBarReaches(5, [this] { QApplication::postEvent(form.windowHandle(), new QCloseEvent); });
  std::string expected;
  for (int i = 10; i < 15; ++i) expected += Record(i, "Big " + std::to_string(i), "Line.\r\n");
  EXPECT_EQ(Export(), expected);
  EXPECT_TRUE(boxes.boxes.empty());
  EXPECT_FALSE(form.isVisible());
  EXPECT_EQ(form.objSession, nullptr);
}

TEST(EndToEndNames, StoresAndFoldersOfOneNameExportTheirOwnMailAndNoneIsOverwritten) {
  TempHome home;
  home.Write(".thunderbird/profiles.ini",
             "[Profile0]\nPath=a.default\n\n[Profile1]\nPath=b.work\n");
  const std::string inbox = ".thunderbird/b.work/Mail/Local Folders/Inbox";
  home.Write(".thunderbird/a.default/Mail/Local Folders/Inbox",
             "From a Mon Jan  1 10:00:00 2024\n" + Delivered(1, "Home", "Home.\n") + "\n");
  const std::string work =
      "From a Mon Jan  1 10:00:00 2024\n" + Delivered(2, "Job", "Job.\n") + "\n";
  home.Write(inbox, work);
  home.Write("Maildir/.Work/cur/1700000001.1.host:2,S", Delivered(3, "Dotted", "Dot.\n"));
  home.Write("Maildir/Work/cur/1700000002.2.host:2,S", Delivered(4, "Plain", "Plain.\n"));
  std::filesystem::create_symlink(home / inbox, home / "inbox-link");

  window::Form1 form;
  ModalBoxRecorder boxes{&form};
  form.Start();
  form.edtMessageFile->setText("export.txt");  // in the home directory
  auto exported = [&] {
    QTest::mouseClick(form.cbExport, Qt::LeftButton);
    QFile file(QString::fromStdString(home / "export.txt"));
    return file.open(QIODevice::ReadOnly) ? file.readAll().toStdString() : "<no file>";
  };
  EXPECT_EQ(Entries(*form.List1),
            (QStringList{"Maildir", "Local Folders", "Local Folders (b.work)"}));
  ClickEntry(*form.List1, 0);
  EXPECT_EQ(Entries(*form.List2), (QStringList{"Work", "Work (2)"}));
  ClickEntry(*form.List2, 1);
  EXPECT_EQ(exported(), Record(4, "Plain", "Plain.\r\n"));
  ClickEntry(*form.List2, 0);
  EXPECT_EQ(exported(), Record(3, "Dotted", "Dot.\r\n"));
  ClickEntry(*form.List1, 2);
  ClickEntry(*form.List2, 0);
  EXPECT_EQ(exported(), Record(2, "Job", "Job.\r\n"));

  form.edtMessageFile->setText(QString::fromStdString(home / "inbox-link"));
  QTest::mouseClick(form.cbExport, Qt::LeftButton);
  std::ifstream in(home / inbox, std::ios::binary);
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), work);
  ASSERT_EQ(boxes.boxes.size(), 4u);
  EXPECT_TRUE(boxes.boxes[3].prompt.startsWith("Export Failed\n\n" +
                                               QString::fromStdString(home / "inbox-link") +
                                               "\nIt is " + QString::fromStdString(home / inbox)))
      << boxes.boxes[3].prompt.toStdString();
}
