#pragma once

#include <string>

namespace store::imap {

// How the connection to an IMAP server is protected.
enum class Security {
  Tls,       // TLS from the first byte (usually port 993)
  StartTls,  // plain connection upgraded with STARTTLS before log-in; never continues without it
  None,      // no protection, only when the account says so
};

// How the user proves who they are to the server.
enum class LogOnWith {
  Password,  // asked for at each log-on
  OAuth2,    // an access token got from the provider's authorization server; never a password
};

// Where an OAuth2 account gets its tokens: the provider's endpoints and the scope that lets a
// program read mail over IMAP, and the application the user registered with the provider.
struct OAuth2Client {
  std::string provider;  // "google", "microsoft", or empty for endpoints given by hand
  std::string authorizeUrl;
  std::string tokenUrl;
  std::string scope;
  std::string clientId;      // the user's own; empty when none was given
  std::string clientSecret;  // only where the provider wants one even from a desktop program
  bool remember = false;     // keep the refresh token in the desktop's secret service
  std::string configFile;    // the file the account's lines are (or are to be) in
  std::string section;       // and its section there, to tell the user where a line goes
};

// One IMAP account the user has: where its server is and who logs in. The password is never kept
// here; it is asked for at each log-on.
struct Account {
  std::string name;  // what the user calls it; the store's Name
  std::string host;
  int port = 0;  // 0: the usual port for `security`
  Security security = Security::Tls;
  std::string user;
  LogOnWith logOn = LogOnWith::Password;
  OAuth2Client oauth2{};  // for LogOnWith::OAuth2

  // The port actually used.
  int EffectivePort() const {
    if (port > 0) return port;
    return security == Security::Tls ? 993 : 143;
  }
  // "host:port", as the user is told which server is meant.
  std::string Server() const { return host + ":" + std::to_string(EffectivePort()); }
};

}  // namespace store::imap
