#include "store/imap/Server.h"

#include <mutex>

#include <vmime/platforms/posix/posixHandler.hpp>
#include <vmime/security/cert/defaultCertificateVerifier.hpp>

#include "store/Error.h"
#include "store/imap/ConnectionFailure.h"
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

Server::Server(const Account& account, const std::string& password,
               std::chrono::milliseconds timeout)
    : account_(account), timeout_(timeout) {
  UsePosixPlatform();
  try {
    session_ = vmime::net::session::create();
    // Kept in the session, for every connection made for this account.
    const std::string prefix = "store." + std::string(Protocol()) + ".";
    session_->getProperties()[prefix + "auth.username"] = account.user;
    session_->getProperties()[prefix + "auth.password"] = password;
    session_->getProperties()[prefix + "options.sasl"] = false;
    // STARTTLS is demanded, never skipped when the server does not offer it.
    session_->getProperties()[prefix + "connection.tls"] = account.security == Security::StartTls;
    session_->getProperties()[prefix + "connection.tls.required"] =
        account.security == Security::StartTls;
    verifier_ = std::make_shared<vmime::security::cert::defaultCertificateVerifier>();
    verifier_->setX509RootCAs(TrustedAuthorities());
    store_ = NewStore();
    store_->connect();
  } catch (const vmime::exception& error) {
    throw Error::Unreadable(ConnectionFailure(account_, error));
  }
}

Server::~Server() { Close(store_); }

const char* Server::Protocol() const {
  return account_.security == Security::Tls ? "imaps" : "imap";
}

std::shared_ptr<vmime::net::imap::IMAPStore> Server::NewStore() const {
  vmime::utility::url url(Protocol(), account_.host,
                          static_cast<vmime::port_t>(account_.EffectivePort()));
  auto store = vmime::dynamicCast<vmime::net::imap::IMAPStore>(session_->getStore(url));
  store->setCertificateVerifier(verifier_);
  store->setTimeoutHandlerFactory(std::make_shared<Timeouts>(timeout_));
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
  try {
    Close(store_);
    store_ = NewStore();
    store_->connect();
    return store_->getRootFolder()->getFolders(true);
  } catch (const vmime::exception& error) {
    throw Error::Unreadable(ConnectionFailure(account_, error));
  }
}

std::shared_ptr<vmime::net::imap::IMAPConnection> Server::Connect() {
  std::lock_guard lock(mutex_);
  try {
    auto connection =
        std::make_shared<vmime::net::imap::IMAPConnection>(store_, store_->getAuthenticator());
    connection->connect();
    return connection;
  } catch (const vmime::exception& error) {
    throw Error::Unreadable(ConnectionFailure(account_, error));
  }
}

}  // namespace store::imap
