#pragma once

#include <chrono>
#include <functional>
#include <mutex>
#include <string>

#include "discovery/TokenEndpoint.h"
#include "store/imap/AccessTokens.h"

namespace discovery {

// An OAuth2 account's tokens while Orvane runs: the access token, renewed with the refresh token
// shortly before it runs out or when the server refuses it. Kept in memory only, and wiped when
// they go.
class OAuthTokens : public store::imap::AccessTokens {
 public:
  OAuthTokens(store::imap::OAuth2Client client, TokenGrant grant);
  ~OAuthTokens() override;

  std::string Current() override;
  std::string Renewed() override;

  // The refresh token, for the secret service when the user wants it remembered.
  std::string RefreshToken() const;
  // Has `keep` called with each new refresh token a renewal brings, from the renewing thread: a
  // server that rotates them refuses the old one next time.
  void KeepRenewedRefreshTokens(std::function<void(const std::string&)> keep);

 private:
  store::imap::OAuth2Client client_;
  mutable std::mutex mutex_;
  TokenGrant grant_;
  std::function<void(const std::string&)> keep_;
};

}  // namespace discovery
