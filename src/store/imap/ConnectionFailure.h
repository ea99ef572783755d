#pragma once

#include <string>

#include <vmime/exception.hpp>

#include "store/imap/Account.h"

namespace store::imap {

// What went wrong with the account's server, worded for the user: a refused password, a server
// that cannot be reached or stays silent, a certificate that is not trusted, a connection lost.
std::string ConnectionFailure(const Account& account, const vmime::exception& error);

}  // namespace store::imap
