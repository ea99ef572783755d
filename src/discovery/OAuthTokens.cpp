#include "discovery/OAuthTokens.h"

#include <string.h>

#include "store/Error.h"

namespace discovery {
namespace {

// A token this close to its end is renewed before it is used: a log-on takes a moment.
constexpr auto kMargin = std::chrono::seconds(30);

void Wipe(std::string& text) { explicit_bzero(text.data(), text.size()); }

}  // namespace

OAuthTokens::OAuthTokens(store::imap::OAuth2Client client, TokenGrant grant)
    : client_(std::move(client)), grant_(std::move(grant)) {}

OAuthTokens::~OAuthTokens() {
  Wipe(grant_.accessToken);
  Wipe(grant_.refreshToken);
}

std::string OAuthTokens::Current() {
  {
    std::lock_guard lock(mutex_);
    if (std::chrono::steady_clock::now() + kMargin < grant_.expires) return grant_.accessToken;
  }
  return Renewed();
}

std::string OAuthTokens::Renewed() {
  std::lock_guard lock(mutex_);
  if (grant_.refreshToken.empty()) {
    throw store::Error::Unreadable(
        "Access to the account ran out, and the authorization server gave no refresh token to "
        "renew it with.");
  }
  TokenGrant renewed = RenewTokens(client_, grant_.refreshToken);
  if (!renewed.problem.empty()) {
    throw store::Error::Unreadable("The authorization server would not renew access: " +
                                   renewed.problem);
  }
  const bool rotated = renewed.refreshToken != grant_.refreshToken;
  Wipe(grant_.accessToken);
  Wipe(grant_.refreshToken);
  grant_ = std::move(renewed);
  if (rotated && keep_) keep_(grant_.refreshToken);
  return grant_.accessToken;
}

void OAuthTokens::KeepRenewedRefreshTokens(std::function<void(const std::string&)> keep) {
  std::lock_guard lock(mutex_);
  keep_ = std::move(keep);
}

std::string OAuthTokens::RefreshToken() const {
  std::lock_guard lock(mutex_);
  return grant_.refreshToken;
}

}  // namespace discovery
