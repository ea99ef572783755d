// The password dialog of an IMAP account, as the user meets it at start-up: what it says, how
// the password is given or the account skipped, and the window that opens afterwards.

#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <optional>
#include <vector>

#include "ClosedPort.h"
#include "ModalBoxRecorder.h"
#include "PasswordDialogUser.h"
#include "TempHome.h"
#include "WindowTesting.h"
#include "store/imap/ImapStore.h"
#include "window/Form1.h"
#include "window/PasswordDialog.h"

using window::PasswordDialog;

namespace {

using DialogUser = PasswordDialogUser;

std::optional<std::string> AskOnce(DialogUser::Act act, const QString& problem = {}) {
  PasswordDialog dialog(QStringLiteral("Work"), QStringLiteral("imap.example.org:993"), problem);
  DialogUser user({std::move(act)});
  std::optional<std::string> answer = dialog.Ask();
  EXPECT_EQ(user.seen.size(), 1u);
  EXPECT_EQ(dialog.edtPassword->text(), QString()) << "the password is not kept in the field";
  return answer;
}

TEST(PasswordDialog, NamesTheAccountAndItsServerAsTheyAreAndHidesThePassword) {
  PasswordDialog dialog(QStringLiteral("<b>Ann & Bob</b>"), QStringLiteral("imap.example.org:993"),
                        QString());
  EXPECT_EQ(dialog.windowTitle(), "Orvane");
  EXPECT_TRUE(dialog.isModal());
  EXPECT_EQ(dialog.lblAccount->text(),
            "Enter the password of the account \u201C<b>Ann & Bob</b>\u201D on "
            "imap.example.org:993.");
  EXPECT_EQ(dialog.lblAccount->textFormat(), Qt::PlainText);
  EXPECT_TRUE(dialog.lblProblem->isHidden());
  EXPECT_EQ(dialog.edtPassword->echoMode(), QLineEdit::Password);
  EXPECT_EQ(dialog.cbLogOn->text(), "&Log On");
  EXPECT_EQ(dialog.cbSkip->text(), "&Skip Account");
  for (QWidget* control :
       std::initializer_list<QWidget*>{dialog.edtPassword, dialog.cbLogOn, dialog.cbSkip}) {
    EXPECT_FALSE(control->accessibleName().isEmpty()) << control->metaObject()->className();
  }
}

TEST(PasswordDialog, ShowsWhyTheLastTryFailed) {
  PasswordDialog dialog(QStringLiteral("Work"), QStringLiteral("imap.example.org:993"),
                        QStringLiteral("The server refused the user name or password."));
  EXPECT_FALSE(dialog.lblProblem->isHidden());
  EXPECT_EQ(dialog.lblProblem->text(), "The server refused the user name or password.");
  EXPECT_EQ(dialog.lblProblem->textFormat(), Qt::PlainText);
}

TEST(PasswordDialog, OpensWithTheCursorInThePasswordFieldAndTabsThroughLogOnAndSkip) {
  std::vector<QString> focus;
  auto record = [&] {
    QWidget* w = QApplication::focusWidget();
    focus.push_back(w ? w->accessibleName() : QStringLiteral("<none>"));
  };
  EXPECT_EQ(AskOnce([&](PasswordDialog& dialog) {
              record();
              for (int i = 0; i < 3; ++i) {
                QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
                record();
              }
              dialog.reject();
            }),
            std::nullopt);
  EXPECT_EQ(focus, (std::vector<QString>{"Password", "Log on", "Skip this account", "Password"}));
}

TEST(PasswordDialog, EnterOrLogOnGivesThePasswordTyped) {
  EXPECT_EQ(AskOnce(TypeAndPress(QStringLiteral("s3cret pass\u00E9"), Qt::Key_Return)),
            "s3cret pass\xC3\xA9");
  EXPECT_EQ(AskOnce(TypeAndClick(QStringLiteral("other"), &PasswordDialog::cbLogOn)), "other");
  EXPECT_EQ(AskOnce(TypeAndPress(QString(), Qt::Key_Enter)), "");
}

TEST(PasswordDialog, SkipEscapeOrClosingSkipsTheAccountWhateverWasTyped) {
  EXPECT_EQ(AskOnce(TypeAndClick(QStringLiteral("typed"), &PasswordDialog::cbSkip)), std::nullopt);
  EXPECT_EQ(AskOnce(TypeAndPress(QStringLiteral("typed"), Qt::Key_Escape)), std::nullopt);
  EXPECT_EQ(AskOnce([](PasswordDialog& dialog) {
              Type(dialog.edtPassword, QStringLiteral("typed"));
              dialog.close();
            }),
            std::nullopt);
}

// The program's own start-up with two accounts whose server cannot be reached.
TEST(PasswordDialogAtStartUp, EachAccountIsAskedForBeforeTheWindowOpensAndSkippedOnesLeftOut) {
  TempHome home;
  ClosedPort port;
  home.Maildir("Maildir");
  const std::string server = "127.0.0.1:" + std::to_string(port.port());
  home.Write(".config/orvane/accounts.conf",
             "[Work]\nhost = 127.0.0.1\nport = " + std::to_string(port.port()) +
                 "\nsecurity = none\nuser = ann\n[Home]\nhost = 127.0.0.1\nport = " +
                 std::to_string(port.port()) + "\nsecurity = none\nuser = bob\n");
  std::string reason;
  try {
    store::imap::OpenImapStore(
        {"Work", "127.0.0.1", port.port(), store::imap::Security::None, "ann"}, "wrong");
  } catch (const store::Error& error) {
    reason = error.what();
  }
  ASSERT_FALSE(reason.empty());

  window::Form1 form;
  ModalBoxRecorder boxes(&form);
  DialogUser user(
      {TypeAndPress(QStringLiteral("wrong"), Qt::Key_Return),
       TypeAndPress(QString(), Qt::Key_Escape), TypeAndClick(QString(), &PasswordDialog::cbSkip)},
      &form);
  form.Start();

  ASSERT_EQ(user.seen.size(), 3u);
  const QString work = QString::fromStdString(
      "Enter the password of the account \u201CWork\u201D on " + server + ".");
  const QString homeAccount = QString::fromStdString(
      "Enter the password of the account \u201CHome\u201D on " + server + ".");
  EXPECT_EQ(user.seen[0].account, work);
  EXPECT_EQ(user.seen[0].problem, "");
  EXPECT_EQ(user.seen[1].account, work);
  EXPECT_EQ(user.seen[1].problem, QString::fromStdString(reason));
  EXPECT_EQ(user.seen[2].account, homeAccount);
  EXPECT_EQ(user.seen[2].problem, "");
  for (const DialogUser::Seen& seen : user.seen) {
    EXPECT_FALSE(seen.ownerVisible);
    EXPECT_TRUE(seen.passwordFocused);
  }
  EXPECT_TRUE(form.isVisible());
  EXPECT_EQ(Entries(*form.List1), QStringList{"Maildir"});
  EXPECT_EQ(boxes.boxes.size(), 0u);
}

}  // namespace
