#pragma once

#include <memory>
#include <optional>
#include <string>

#include "store/imap/AccessTokens.h"
#include "store/imap/Account.h"

namespace discovery {

// Asks the user for an account's password while the service logs on. The service never keeps a
// password beyond the connection it opens.
class PasswordPrompt {
 public:
  virtual ~PasswordPrompt() = default;

  // Asks for the password of `account` on `server` ("host:port"). `problem` says why the last try
  // failed (a refused password, an unreachable server, an untrusted certificate), empty on the
  // first try. Nothing means the user skipped the account.
  virtual std::optional<std::string> AskPassword(const std::string& account,
                                                 const std::string& server,
                                                 const std::string& problem) = 0;

  // Signs an OAuth2 account in at its provider in the user's browser, showing what is happening
  // and why the last try failed (`problem`, empty on the first). Nothing means the user cancelled
  // and the account is skipped. Without a window to show it in, the account is skipped with a word
  // on standard error.
  virtual std::shared_ptr<store::imap::AccessTokens> SignIn(const store::imap::Account& account,
                                                            const std::string& problem);

  // Tells the user why an account cannot log on until they change something (the lines to add
  // to the account file); the account is skipped. On standard error unless shown otherwise.
  virtual void Explain(const std::string& account, const std::string& text);
};

}  // namespace discovery
