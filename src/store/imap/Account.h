#pragma once

#include <string>

namespace store::imap {

// How the connection to an IMAP server is protected.
enum class Security {
  Tls,       // TLS from the first byte (usually port 993)
  StartTls,  // plain connection upgraded with STARTTLS before log-in; never continues without it
  None,      // no protection, only when the account says so
};

// One IMAP account the user has: where its server is and who logs in. The password is never kept
// here; it is asked for at each log-on.
struct Account {
  std::string name;  // what the user calls it; the store's Name
  std::string host;
  int port = 0;  // 0: the usual port for `security`
  Security security = Security::Tls;
  std::string user;

  // The port actually used.
  int EffectivePort() const {
    if (port > 0) return port;
    return security == Security::Tls ? 993 : 143;
  }
  // "host:port", as the user is told which server is meant.
  std::string Server() const { return host + ":" + std::to_string(EffectivePort()); }
};

}  // namespace store::imap
