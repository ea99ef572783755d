#pragma once

#include <QString>
#include <memory>
#include <string>

#include "discovery/OAuthTokens.h"
#include "store/imap/Account.h"

namespace discovery {

// The refresh token of an OAuth2 account whose user asked Orvane to remember its sign-in, kept
// in the desktop's secret service and nowhere else: never in a file, even when the service is
// missing. Each call waits for the service's answer.
class KeptSignIn {
 public:
  explicit KeptSignIn(const store::imap::Account& account);

  // The kept refresh token; empty when none is kept, or when the service could not be asked.
  std::string Read();
  // Keeps `refreshToken` in place of the one kept before.
  void Write(const std::string& refreshToken);
  // Why the secret service could not be used, worded for the user; empty while it could.
  QString Unavailable() const { return unavailable_; }

 private:
  void Failed(const QString& why);

  QString key_;
  QString unavailable_;
};

// Signs `account` in with the refresh token kept for it, once: the tokens, or nothing when none is
// kept, when the service could not be asked (see kept.Unavailable()), or when the authorization
// server refused it, `refused` then saying why.
std::shared_ptr<OAuthTokens> SignInAsKept(const store::imap::Account& account, KeptSignIn& kept,
                                          std::string& refused);

// Has the secret service keep each new refresh token a renewal of `tokens` brings, in place of
// the old one. A renewal in the middle of an export comes on the thread that reopened a
// connection; the service is then asked on the application's thread once it is free, renewals in
// the order they came.
std::shared_ptr<OAuthTokens> KeepingRenewals(std::shared_ptr<OAuthTokens> tokens,
                                             const store::imap::Account& account);

}  // namespace discovery
