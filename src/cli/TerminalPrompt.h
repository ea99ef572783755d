#pragma once

#include <optional>
#include <string>

#include "discovery/PasswordPrompt.h"

namespace cli {

// Gives IMAP accounts their password without a window: the first line of a password file, else
// typed on the terminal with nothing echoed. Never from an argument or the environment. With a
// store named, only that account is logged on to; the others are skipped without a word. An
// OAuth2 account signs in with the sign-in the window remembered for it, if any: a web browser
// needs the window.
class TerminalPrompt : public discovery::PasswordPrompt {
 public:
  // `password` is the password file's, when one was given.
  TerminalPrompt(std::optional<std::string> password, std::string onlyAccount)
      : password_(std::move(password)), onlyAccount_(std::move(onlyAccount)) {}

  std::optional<std::string> AskPassword(const std::string& account, const std::string& server,
                                         const std::string& problem) override;
  std::shared_ptr<store::imap::AccessTokens> SignIn(const store::imap::Account& account,
                                                    const std::string& problem) override;

 private:
  std::optional<std::string> password_;
  std::string onlyAccount_;
};

// The first line of a password file. Throws UsageError when it cannot be read, or when others
// than its owner may read or change it (its mode must be 0600 or stricter).
std::string ReadPasswordFile(const std::string& path);

}  // namespace cli
