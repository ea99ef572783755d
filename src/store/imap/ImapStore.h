#pragma once

#include <memory>
#include <string>

#include "store/Store.h"
#include "store/imap/AccessTokens.h"
#include "store/imap/Account.h"

namespace store::imap {

// Connects to the account's server, verifies its certificate against the system's trust store
// (SSL_CERT_FILE / SSL_CERT_DIR override it, as for other programs) and logs in. The store keeps
// that connection until it is destroyed. Throws Error::Unreadable with a reason fit to show the
// user (the server refused the password, could not be reached, or its certificate is not trusted).
std::shared_ptr<InfoStore> OpenImapStore(const Account& account, const std::string& password);
// The same for an OAuth2 account, logged on with tokens from `tokens`.
std::shared_ptr<InfoStore> OpenImapStore(const Account& account,
                                         std::shared_ptr<AccessTokens> tokens);

}  // namespace store::imap
