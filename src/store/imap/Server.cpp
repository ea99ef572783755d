#include "store/imap/Server.h"

#include <mutex>

#include <vmime/platforms/posix/posixHandler.hpp>
#include <vmime/security/cert/defaultCertificateVerifier.hpp>

#include "store/Error.h"
#include "store/imap/ConnectionFailure.h"
#include "store/imap/OAuthSasl.h"
#include "store/imap/Timeouts.h"
#include "store/imap/TrustedAuthorities.h"

namespace store::imap {
namespace {

void UsePosixPlatform() {
  static std::once_flag once;
  std::call_once(once,
                 [] { vmime::platform::setHandler<vmime::platforms::posix::posixHandler>(); });
}

}  // namespace

template <class Step>
auto Server::LoggedOn(Step connect) {
  try {
    if (!tokens_) return connect();
    authenticator_->SetToken(tokens_->Current());
    try {
      return connect();
    } catch (const vmime::exceptions::authentication_error&) {
      // Expired or revoked since it was issued: a new one is asked for once.
      authenticator_->SetToken(tokens_->Renewed());
      return connect();
    }
  } catch (const vmime::exception& error) {
    throw Error::Unreadable(Failure(error));
  }
}

Server::Server(const Account& account, const std::string& password,
               std::chrono::milliseconds timeout)
    : account_(account), timeout_(timeout) {
  Start(password);
}

Server::Server(const Account& account, std::shared_ptr<AccessTokens> tokens,
               std::chrono::milliseconds timeout)
    : account_(account), timeout_(timeout), tokens_(std::move(tokens)) {
  authenticator_ = std::make_shared<OAuthAuthenticator>(account_);
  Start({});
}

void Server::Start(const std::string& password) {
  UsePosixPlatform();
  try {
    session_ = vmime::net::session::create();
    // Kept in the session, for every connection made for this account.
    const std::string prefix = "store." + std::string(Protocol()) + ".";
    session_->getProperties()[prefix + "auth.username"] = account_.user;
    // An OAuth2 account logs on with SASL alone: no password is set, and LOGIN is never tried.
    if (!tokens_) session_->getProperties()[prefix + "auth.password"] = password;
    session_->getProperties()[prefix + "options.sasl"] = tokens_ != nullptr;
    session_->getProperties()[prefix + "options.sasl.fallback"] = false;
    // STARTTLS is demanded, never skipped when the server does not offer it.
    session_->getProperties()[prefix + "connection.tls"] = account_.security == Security::StartTls;
    session_->getProperties()[prefix + "connection.tls.required"] =
        account_.security == Security::StartTls;
    verifier_ = std::make_shared<vmime::security::cert::defaultCertificateVerifier>();
    verifier_->setX509RootCAs(TrustedAuthorities());
  } catch (const vmime::exception& error) {
    throw Error::Unreadable(ConnectionFailure(account_, error));
  }
  store_ = LoggedOn([this] { return ConnectedStore(); });
}

std::string Server::Failure(const vmime::exception& error) const {
  if (tokens_ && dynamic_cast<const vmime::exceptions::authentication_error*>(&error)) {
    if (!authenticator_->Offered()) {
      return "The server " + account_.Server() +
             " does not offer log-on with OAuth2 (OAUTHBEARER or XOAUTH2).";
    }
    const std::string reason = authenticator_->Refusal();
    return "The server refused the access token" + (reason.empty() ? "" : " (" + reason + ")") +
           ".";
  }
  return ConnectionFailure(account_, error);
}

Server::~Server() { Close(store_); }

const char* Server::Protocol() const {
  return account_.security == Security::Tls ? "imaps" : "imap";
}

std::shared_ptr<vmime::net::imap::IMAPStore> Server::NewStore() const {
  vmime::utility::url url(Protocol(), account_.host,
                          static_cast<vmime::port_t>(account_.EffectivePort()));
  auto store = vmime::dynamicCast<vmime::net::imap::IMAPStore>(
      authenticator_ ? session_->getStore(url, authenticator_) : session_->getStore(url));
  store->setCertificateVerifier(verifier_);
  store->setTimeoutHandlerFactory(std::make_shared<Timeouts>(timeout_));
  return store;
}

std::shared_ptr<vmime::net::imap::IMAPStore> Server::ConnectedStore() const {
  auto store = NewStore();
  store->connect();
  return store;
}

void Server::Close(const std::shared_ptr<vmime::net::imap::IMAPStore>& store) {
  try {
    if (store && store->isConnected()) store->disconnect();
  } catch (const vmime::exception&) {
    // The server is gone already; nothing is left to close.
  }
}

std::vector<std::shared_ptr<vmime::net::folder>> Server::Mailboxes() {
  std::lock_guard lock(mutex_);
  try {
    return store_->getRootFolder()->getFolders(true);
  } catch (const vmime::exception&) {
    // The account's connection may have been dropped since; a new one is made once.
  }
  Close(store_);
  store_ = LoggedOn([this] { return ConnectedStore(); });
  try {
    return store_->getRootFolder()->getFolders(true);
  } catch (const vmime::exception& error) {
    throw Error::Unreadable(Failure(error));
  }
}

std::shared_ptr<vmime::net::imap::IMAPConnection> Server::Connect() {
  std::lock_guard lock(mutex_);
  return LoggedOn([this] {
    auto connection =
        std::make_shared<vmime::net::imap::IMAPConnection>(store_, store_->getAuthenticator());
    connection->connect();
    return connection;
  });
}

}  // namespace store::imap
