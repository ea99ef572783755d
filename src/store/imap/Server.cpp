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
    : account_(account) {
  UsePosixPlatform();
  try {
    session_ = vmime::net::session::create();
    const bool tlsFromStart = account.security == Security::Tls;
    vmime::utility::url url(tlsFromStart ? "imaps" : "imap", account.host,
                            static_cast<vmime::port_t>(account.EffectivePort()));
    store_ = vmime::dynamicCast<vmime::net::imap::IMAPStore>(session_->getStore(url));
    store_->setProperty("auth.username", account.user);
    store_->setProperty("auth.password", password);
    store_->setProperty("options.sasl", false);
    // STARTTLS is demanded, never skipped when the server does not offer it.
    store_->setProperty("connection.tls", account.security == Security::StartTls);
    store_->setProperty("connection.tls.required", account.security == Security::StartTls);

    auto verifier = std::make_shared<vmime::security::cert::defaultCertificateVerifier>();
    verifier->setX509RootCAs(TrustedAuthorities());
    store_->setCertificateVerifier(verifier);
    store_->setTimeoutHandlerFactory(std::make_shared<Timeouts>(timeout));
    store_->connect();
  } catch (const vmime::exception& error) {
    throw Error::Unreadable(ConnectionFailure(account_, error));
  }
}

Server::~Server() {
  try {
    if (store_ && store_->isConnected()) store_->disconnect();
  } catch (const vmime::exception&) {
    // The server is gone already; nothing is left to close.
  }
}

std::vector<std::shared_ptr<vmime::net::folder>> Server::Mailboxes() {
  try {
    return store_->getRootFolder()->getFolders(true);
  } catch (const vmime::exception& error) {
    throw Error::Unreadable(ConnectionFailure(account_, error));
  }
}

std::shared_ptr<vmime::net::imap::IMAPConnection> Server::Connect() {
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
