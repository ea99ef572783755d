#include "window/PasswordDialogPrompt.h"

#include "discovery/Service.h"
#include "window/MsgBox.h"
#include "window/PasswordDialog.h"
#include "window/SignInDialog.h"

namespace window {

std::optional<std::string> PasswordDialogPrompt::AskPassword(const std::string& account,
                                                             const std::string& server,
                                                             const std::string& problem) {
  PasswordDialog dialog(QString::fromStdString(account), QString::fromStdString(server),
                        QString::fromStdString(problem), parent_);
  return dialog.Ask();
}

std::shared_ptr<store::imap::AccessTokens> PasswordDialogPrompt::SignIn(
    const store::imap::Account& account, const std::string& problem) {
  SignInDialog dialog(account, QString::fromStdString(problem), parent_);
  std::shared_ptr<discovery::OAuthSignIn> signedIn = dialog.Ask();
  return signedIn ? signedIn->Tokens() : nullptr;
}

void PasswordDialogPrompt::Explain(const std::string&, const std::string& text) {
  MsgBox(parent_, QString::fromStdString(text), MsgBoxStyle::Information);
}

std::shared_ptr<store::Session> CreateSessionAskingPasswords() {
  // No parent: the window is not shown yet while the session logs on; the dialog is centred on
  // the screen, where the window then opens.
  return discovery::CreateSessionWithAccounts(std::make_shared<PasswordDialogPrompt>());
}

}  // namespace window
