#pragma once

#include <mutex>
#include <string>

#include <vmime/security/sasl/defaultSASLAuthenticator.hpp>

#include "store/imap/Account.h"

namespace store::imap {

// Logs an OAuth2 account on with SASL: OAUTHBEARER when the server offers it, else XOAUTH2, and
// nothing else; there is no password to fall back to. Holds the access token of the next log-on
// and what the server said when it refused the last one.
class OAuthAuthenticator : public vmime::security::sasl::defaultSASLAuthenticator {
 public:
  explicit OAuthAuthenticator(const Account& account);

  void SetToken(std::string token);
  // The server's reason for refusing the token ("invalid_token"), empty when it gave none.
  std::string Refusal() const;
  void NoteRefusal(const std::string& challenge);
  // Whether the server offered a mechanism for tokens at the last log-on.
  bool Offered() const;

  const std::string& host() const { return host_; }
  int port() const { return port_; }

  const std::vector<std::shared_ptr<vmime::security::sasl::SASLMechanism>> getAcceptableMechanisms(
      const std::vector<std::shared_ptr<vmime::security::sasl::SASLMechanism>>& available,
      std::shared_ptr<vmime::security::sasl::SASLMechanism> suggested) const override;
  const vmime::string getAccessToken() const override;
  const vmime::string getPassword() const override { return {}; }

 private:
  std::string host_;
  int port_;
  mutable std::mutex mutex_;
  std::string token_;
  std::string refusal_;
  mutable bool offered_ = false;
};

}  // namespace store::imap
