#pragma once

#include <string>

#include "store/imap/Account.h"

namespace store::imap {

// What keeps an account found in a file from being used ("no host", ...), or nothing when it can
// be: a host name without spaces or control characters, a user name, a port in range.
std::string AccountProblem(const Account& account);

}  // namespace store::imap
