// An IMAP account used through the program's own window, as a person meets it: the password asked
// for before the window opens, the account listed after the stores on disk and browsed, and its
// INBOX exported exactly as the same mail kept in a maildir on disk, with nothing changed on the
// server. The account is on a real Dovecot server over TLS, trusted through the test's own
// authority.

#include <gtest/gtest.h>

#include <QLineEdit>
#include <QPushButton>
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "ImapCorpus.h"
#include "ImapServer.h"
#include "ModalBoxRecorder.h"
#include "PasswordDialogUser.h"
#include "TempHome.h"
#include "WindowTesting.h"
#include "window/Form1.h"
#include "window/PasswordDialog.h"

namespace fs = std::filesystem;
using window::PasswordDialog;

namespace {

constexpr int kMessages = 36;
constexpr const char* kPassword = "correct horse";
const QString kRefused = QStringLiteral("The server refused the user name or password.");

std::string FileBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

class ImapAccountEndToEnd : public testing::Test {
 protected:
  void SetUp() override {
    // The server's mail: the corpus in INBOX (plain, HTML, multipart, non-ASCII subjects, read
    // and unread), and folders beside it, one of them with subfolders.
    const std::vector<std::string> messages = imaptest::CorpusMessages(kMessages);
    for (int i = 0; i < kMessages; ++i) {
      Deliver("served", imaptest::kFirstDelivery + 60L * i, messages[i], imaptest::Flags(i));
    }
    Deliver("served/.Archive", imaptest::kFirstDelivery, imaptest::GeneratedMessage(100));
    Deliver("served/.Archive.2023", imaptest::kFirstDelivery, imaptest::GeneratedMessage(101));
    Deliver("served/.Archive.2024", imaptest::kFirstDelivery, imaptest::GeneratedMessage(102));
    Deliver("served/.Entw&APw-rfe", imaptest::kFirstDelivery, imaptest::GeneratedMessage(103));
    // The same mail kept on this computer, and a mail program's local folders.
    fs::copy(home / "served", home / "Maildir", fs::copy_options::recursive);
    home.Write(".thunderbird/profiles.ini",
               "[Profile0]\nName=default\nIsRelative=1\nPath=p.default\n");
    home.Write(
        ".thunderbird/p.default/Mail/Local Folders/Sent",
        "From ann@example.org Mon Jan  1 10:00:00 2024\n" + imaptest::GeneratedMessage(104) + "\n");
    servedBefore = ServedFileNames();

    server = std::make_unique<ImapServer>(home / "served", "ann", kPassword);
    home.SetEnv("SSL_CERT_FILE", server->caFile());
    home.SetEnv("XDG_CONFIG_HOME", home / "config");
    home.Write("config/orvane/accounts.conf",
               "[work]\nname = Work mail\nhost = 127.0.0.1\nport = " +
                   std::to_string(server->imapsPort()) + "\nsecurity = tls\nuser = ann\n");
  }

  // Writes a message into cur/ of a maildir of the home, with these maildir flags.
  void Deliver(const std::string& maildir, long time, const std::string& text,
               const std::string& flags = "S") {
    home.Maildir(maildir);
    home.Write(maildir + "/cur/" + std::to_string(time) + ".M" + std::to_string(++delivered_) +
                   "P1.orvane-test:2," + flags,
               text);
  }

  // The served messages' file names, which carry their flags.
  std::vector<std::string> ServedFileNames() const {
    std::vector<std::string> names;
    for (const auto& entry : fs::recursive_directory_iterator(home / "served")) {
      const std::string dir = entry.path().parent_path().filename().string();
      if (dir == "cur" || dir == "new") {
        names.push_back(fs::relative(entry.path(), home / "served").string());
      }
    }
    std::sort(names.begin(), names.end());
    return names;
  }

  // Starts the program, answering its password dialogs with `acts`; what each dialog showed.
  std::vector<PasswordDialogUser::Seen> Start(std::vector<PasswordDialogUser::Act> acts) {
    PasswordDialogUser user(std::move(acts), &form);
    form.Start();
    return user.seen;
  }

  QString Asking() const {
    return QStringLiteral(
               "Enter the password of the account \u201CWork mail\u201D on 127.0.0.1:%1.")
        .arg(server->imapsPort());
  }

  // Exports the first top-level folder of store `store` with the Export button into `file`.
  std::string ExportFirstFolder(int store, const std::string& file) {
    ClickEntry(*form.List1, store);
    ClickEntry(*form.List2, 0);
    form.edtMessageFile->setText(QString::fromStdString(home / file));
    QTest::mouseClick(form.cbExport, Qt::LeftButton);
    return FileBytes(home / file);
  }

  TempHome home;
  std::unique_ptr<ImapServer> server;
  std::vector<std::string> servedBefore;
  window::Form1 form;  // with the program's own session, asking passwords in dialogs
  ModalBoxRecorder boxes{&form};

 private:
  int delivered_ = 0;
};

}  // namespace

TEST_F(ImapAccountEndToEnd, AWrongPasswordIsRefusedInTheDialogAndTheRightOneListsTheAccount) {
  const auto seen = Start({TypeAndPress(QStringLiteral("wrong"), Qt::Key_Return),
                           TypeAndClick(QString::fromUtf8(kPassword), &PasswordDialog::cbLogOn)});

  ASSERT_EQ(seen.size(), 2u);
  EXPECT_EQ(seen[0].account, Asking());
  EXPECT_EQ(seen[0].problem, QString());
  EXPECT_EQ(seen[1].account, Asking());
  EXPECT_EQ(seen[1].problem, kRefused);
  EXPECT_TRUE(form.isVisible());
  EXPECT_TRUE(boxes.boxes.empty());

  EXPECT_EQ(Entries(*form.List1), (QStringList{"Maildir", "Local Folders", "Work mail"}));
  ClickEntry(*form.List1, 2);
  EXPECT_EQ(Entries(*form.List2), (QStringList{"INBOX", "Archive", "Entwürfe"}));
  ClickEntry(*form.List2, 1);
  EXPECT_EQ(Entries(*form.List3), (QStringList{"2023", "2024"}));
  ClickEntry(*form.List2, 2);
  EXPECT_EQ(Entries(*form.List3), QStringList());
}

TEST_F(ImapAccountEndToEnd, ItsInboxExportsByteForByteAsTheSameMailOnDiskAndNoFlagChanges) {
  Start({TypeAndPress(QString::fromUtf8(kPassword), Qt::Key_Return)});
  ASSERT_EQ(form.List1->count(), 3);

  const std::string fromDisk = ExportFirstFolder(0, "maildir.txt");
  EXPECT_EQ(form.List2->item(0)->text(), "Inbox");
  const std::string fromServer = ExportFirstFolder(2, "account.txt");
  EXPECT_EQ(form.List2->item(0)->text(), "INBOX");

  EXPECT_EQ(std::count(fromServer.begin(), fromServer.end(), '\f'), kMessages);
  EXPECT_TRUE(fromServer == fromDisk) << "the account's export differs from the maildir's";
  ASSERT_EQ(boxes.boxes.size(), 2u);
  EXPECT_EQ(boxes.boxes[0].prompt, "Export Complete");
  EXPECT_EQ(boxes.boxes[1].prompt, "Export Complete");
  EXPECT_TRUE(form.cbExport->isEnabled());

  form.close();
  server->Stop();  // whatever the server would still write is written
  EXPECT_EQ(ServedFileNames(), servedBefore);
}

TEST_F(ImapAccountEndToEnd, ASkippedAccountLeavesTheStoresOnDiskAndNoMessageBox) {
  const auto seen = Start({TypeAndClick(QString(), &PasswordDialog::cbSkip)});

  ASSERT_EQ(seen.size(), 1u);
  EXPECT_EQ(seen[0].account, Asking());
  EXPECT_TRUE(form.isVisible());
  EXPECT_EQ(Entries(*form.List1), (QStringList{"Maildir", "Local Folders"}));
  EXPECT_TRUE(boxes.boxes.empty());
}
