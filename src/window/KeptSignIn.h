#pragma once

#include <QString>
#include <string>

#include "store/imap/Account.h"

namespace window {

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

}  // namespace window
