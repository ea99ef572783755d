#include "window/PasswordDialogPrompt.h"

#include <string.h>

#include <iostream>
#include <optional>

#include "discovery/KeptSignIn.h"
#include "discovery/OAuthTokens.h"
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
  QString why = QString::fromStdString(problem);
  std::optional<discovery::KeptSignIn> kept;
  if (account.oauth2.remember) kept.emplace(account);
  // A kept sign-in is tried first, once: when the server refused what it gave, the user signs in.
  if (kept && problem.empty()) {
    std::string refused;
    if (auto tokens = discovery::SignInAsKept(account, *kept, refused)) return tokens;
    if (!refused.empty()) why = QString::fromStdString(refused);
  }
  // That the secret service cannot be used is said once a run, on standard error; the first time
  // also in the dialog.
  auto tellUnavailable = [&]() -> QString {
    if (!kept || kept->Unavailable().isEmpty() || toldNoSecretService_) return {};
    toldNoSecretService_ = true;
    std::cerr << "orvane: " << account.name << ": " << kept->Unavailable().toStdString() << "\n";
    return kept->Unavailable();
  };
  SignInDialog dialog(account, why, parent_, tellUnavailable());
  std::shared_ptr<discovery::OAuthSignIn> signedIn = dialog.Ask();
  if (!signedIn) return nullptr;
  std::shared_ptr<discovery::OAuthTokens> tokens = signedIn->Tokens();
  if (kept && kept->Unavailable().isEmpty()) {
    std::string refresh = tokens->RefreshToken();
    kept->Write(refresh);
    explicit_bzero(refresh.data(), refresh.size());
    tellUnavailable();
    if (kept->Unavailable().isEmpty()) {
      return discovery::KeepingRenewals(std::move(tokens), account);
    }
  }
  return tokens;
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
