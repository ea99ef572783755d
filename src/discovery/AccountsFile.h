#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "store/imap/Account.h"

namespace discovery {

using store::imap::Account;

// The accounts of the service's own account file, in the file's order: one [section] per account
// with the keys
//   name      what the account is called (else the section's name)
//   host      the server's host name
//   port      1-65535 (else the usual port for the security)
//   security  tls, starttls or none (else tls)
//   user      the user name to log in with
//   auth      password (else) or oauth2; an OAuth2 account then takes
//     provider                 google or microsoft, whose endpoints and scope are known, or
//     authorize_url, token_url, scope   given by hand (https, or http on loopback)
//     client_id, client_secret the user's own application registered with the provider
//     remember                 yes keeps the refresh token in the desktop's secret service
// Lines starting with # or ; are comments. A section that cannot be used (no host, a bad port, an
// unknown security, ...) is left out with a warning on `warnings`; nothing is guessed. A missing
// file has no accounts; one that cannot be read, or is no regular file, has none and is said.
// A section with the key "file" names a personal folder file (.pst, .ost) rather than an
// account; such sections are left out here.
std::vector<Account> ReadAccountsFile(const std::string& path, std::ostream& warnings);

// The paths of the sections with "file = PATH", in the file's order.
std::vector<std::string> ListedPersonalFolderFiles(const std::string& path, std::ostream& warnings);

}  // namespace discovery
