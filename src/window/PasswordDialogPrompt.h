#pragma once

#include <QPointer>
#include <QWidget>
#include <memory>

#include "discovery/PasswordPrompt.h"
#include "store/Store.h"

namespace window {

// Asks the user for each account's password in a PasswordDialog, or has them sign an OAuth2
// account in.
class PasswordDialogPrompt : public discovery::PasswordPrompt {
 public:
  explicit PasswordDialogPrompt(QWidget* parent = nullptr) : parent_(parent) {}

  std::optional<std::string> AskPassword(const std::string& account, const std::string& server,
                                         const std::string& problem) override;
  // In a SignInDialog; with the refresh token kept in the secret service first, when the user
  // asked for the sign-in to be remembered.
  std::shared_ptr<store::imap::AccessTokens> SignIn(const store::imap::Account& account,
                                                    const std::string& problem) override;
  // In a message box.
  void Explain(const std::string& account, const std::string& text) override;

 private:
  QPointer<QWidget> parent_;
  bool toldNoSecretService_ = false;  // that sign-ins are not remembered is said once
};

// A session of this computer's message store service that asks for the IMAP accounts' passwords
// in dialogs at log-on: the program's own session.
std::shared_ptr<store::Session> CreateSessionAskingPasswords();

}  // namespace window
