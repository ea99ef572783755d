#pragma once

#include <QUrlQuery>
#include <chrono>
#include <string>

#include "store/imap/Account.h"

namespace discovery {

// What the provider's token endpoint gave: the tokens, or why it gave none.
struct TokenGrant {
  std::string accessToken;
  std::string refreshToken;  // empty when it gave none
  std::chrono::steady_clock::time_point expires;
  std::string problem;  // the server's reason, or why it could not be asked; empty on success
};

// Asks the token endpoint of `client` for tokens with the grant in `form` (the client id, and
// the secret when there is one, are added), and waits for its answer. May be called from any
// thread; runs an event loop of its own.
TokenGrant RequestTokens(const store::imap::OAuth2Client& client, QUrlQuery form);

// Renews access with `refreshToken`. A server may keep the refresh token it gave, or give a new
// one with each renewal: a grant without one of its own carries `refreshToken` on.
TokenGrant RenewTokens(const store::imap::OAuth2Client& client, const std::string& refreshToken);

}  // namespace discovery
