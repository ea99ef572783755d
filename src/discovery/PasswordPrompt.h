#pragma once

#include <optional>
#include <string>

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
};

}  // namespace discovery
