#include "window/PasswordDialogPrompt.h"

#include <string.h>

#include <QCoreApplication>
#include <QUrlQuery>
#include <iostream>
#include <optional>

#include "discovery/OAuthTokens.h"
#include "discovery/Service.h"
#include "discovery/TokenEndpoint.h"
#include "window/KeptSignIn.h"
#include "window/MsgBox.h"
#include "window/PasswordDialog.h"
#include "window/SignInDialog.h"

namespace window {
namespace {

// A renewal in the middle of an export comes on the thread that reopened a connection, and may
// bring a new refresh token; the secret service keeps it in place of the old one, asked on the
// window's thread once it is free, renewals in the order they came.
std::shared_ptr<discovery::OAuthTokens> KeepingRenewals(
    std::shared_ptr<discovery::OAuthTokens> tokens, const store::imap::Account& account) {
  tokens->KeepRenewedRefreshTokens([account](const std::string& refresh) {
    auto token = std::make_shared<std::string>(refresh);
    QMetaObject::invokeMethod(
        qApp,
        [account, token] {
          KeptSignIn kept(account);
          kept.Write(*token);
          explicit_bzero(token->data(), token->size());
          if (!kept.Unavailable().isEmpty()) {
            std::cerr << "orvane: " << account.name << ": " << kept.Unavailable().toStdString()
                      << "\n";
          }
        },
        Qt::QueuedConnection);
  });
  return tokens;
}

}  // namespace

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
  std::optional<KeptSignIn> kept;
  if (account.oauth2.remember) kept.emplace(account);
  // A kept sign-in is tried first, once: when the server refused what it gave, the user signs in.
  if (kept && problem.empty()) {
    std::string refresh = kept->Read();
    if (!refresh.empty()) {
      QUrlQuery form;
      form.addQueryItem("grant_type", "refresh_token");
      form.addQueryItem("refresh_token", QString::fromStdString(refresh));
      discovery::TokenGrant grant = discovery::RequestTokens(account.oauth2, form);
      if (grant.problem.empty()) {
        // A server that gives a new refresh token with each renewal may refuse the old one next.
        if (grant.refreshToken.empty()) grant.refreshToken = refresh;
        else kept->Write(grant.refreshToken);
        explicit_bzero(refresh.data(), refresh.size());
        return KeepingRenewals(
            std::make_shared<discovery::OAuthTokens>(account.oauth2, std::move(grant)), account);
      }
      explicit_bzero(refresh.data(), refresh.size());
      why = "The authorization server refused the sign-in Orvane remembered: " +
            QString::fromStdString(grant.problem);
    }
  }
  QString note;
  if (kept && !kept->Unavailable().isEmpty() && !toldNoSecretService_) {
    toldNoSecretService_ = true;
    note = kept->Unavailable();
    std::cerr << "orvane: " << account.name << ": " << note.toStdString() << "\n";
  }
  SignInDialog dialog(account, why, parent_, note);
  std::shared_ptr<discovery::OAuthSignIn> signedIn = dialog.Ask();
  if (!signedIn) return nullptr;
  std::shared_ptr<discovery::OAuthTokens> tokens = signedIn->Tokens();
  if (kept && kept->Unavailable().isEmpty()) {
    std::string refresh = tokens->RefreshToken();
    kept->Write(refresh);
    explicit_bzero(refresh.data(), refresh.size());
    if (!kept->Unavailable().isEmpty() && !toldNoSecretService_) {
      toldNoSecretService_ = true;
      std::cerr << "orvane: " << account.name << ": " << kept->Unavailable().toStdString()
                << "\n";
    }
    if (kept->Unavailable().isEmpty()) return KeepingRenewals(std::move(tokens), account);
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
