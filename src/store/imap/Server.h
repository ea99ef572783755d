#pragma once

#include <chrono>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include <vmime/net/folder.hpp>
#include <vmime/net/imap/IMAPConnection.hpp>
#include <vmime/net/imap/IMAPStore.hpp>
#include <vmime/net/session.hpp>
#include <vmime/security/cert/defaultCertificateVerifier.hpp>

#include "store/imap/AccessTokens.h"
#include "store/imap/Account.h"

namespace store::imap {

class OAuthAuthenticator;

// How long a server may stay silent before the connection is given up.
inline constexpr std::chrono::milliseconds kServerTimeout = std::chrono::seconds(30);

// One account's server, logged in: the mailbox list comes over this connection, and every
// mailbox that is read gets a connection of its own, so a walk is never disturbed by browsing.
// The password lives only as long as this object, to open those connections; an OAuth2 account
// asks its tokens for one at each connection instead. A walk opens its connections from the
// thread that fetches ahead, so both calls may come from any thread.
class Server {
 public:
  // Connects and logs in; throws Error::Unreadable with a reason fit to show the user.
  Server(const Account& account, const std::string& password,
         std::chrono::milliseconds timeout = kServerTimeout);
  // The same for an OAuth2 account, with a token from `tokens`; one the server refuses is
  // renewed once.
  Server(const Account& account, std::shared_ptr<AccessTokens> tokens,
         std::chrono::milliseconds timeout = kServerTimeout);
  ~Server();
  Server(const Server&) = delete;
  Server& operator=(const Server&) = delete;

  const Account& account() const { return account_; }

  // Every mailbox of the account, with its attributes; throws Error::Unreadable.
  std::vector<std::shared_ptr<vmime::net::folder>> Mailboxes();

  // A new connection, logged in; throws Error::Unreadable with the reason.
  std::shared_ptr<vmime::net::imap::IMAPConnection> Connect();

 private:
  void Start(const std::string& password);
  // Runs `connect` logged on with the current token (a renewed one when it is refused), or with
  // the password; throws Error::Unreadable.
  template <class Step>
  auto LoggedOn(Step connect);
  std::string Failure(const vmime::exception& error) const;
  const char* Protocol() const;
  std::shared_ptr<vmime::net::imap::IMAPStore> NewStore() const;
  std::shared_ptr<vmime::net::imap::IMAPStore> ConnectedStore() const;
  static void Close(const std::shared_ptr<vmime::net::imap::IMAPStore>& store);

  Account account_;
  std::mutex mutex_;  // guards store_, which a new connection is made from
  std::chrono::milliseconds timeout_;
  std::shared_ptr<AccessTokens> tokens_;
  std::shared_ptr<OAuthAuthenticator> authenticator_;
  std::shared_ptr<vmime::net::session> session_;
  std::shared_ptr<vmime::security::cert::defaultCertificateVerifier> verifier_;
  std::shared_ptr<vmime::net::imap::IMAPStore> store_;
};

}  // namespace store::imap
