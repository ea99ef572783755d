#pragma once

#include <string>

namespace store::imap {

// Where an OAuth2 account's access tokens come from. A token lives an hour or so, less than a long
// export, so every new connection asks for one: the one it has while it is good, else a renewed
// one. Both calls may come from any thread, one at a time.
class AccessTokens {
 public:
  virtual ~AccessTokens() = default;

  // A token to log on with now. Throws Error::Unreadable with the reason when none can be had.
  virtual std::string Current() = 0;
  // A new token, after the server refused the current one. Throws like Current().
  virtual std::string Renewed() = 0;
};

}  // namespace store::imap
