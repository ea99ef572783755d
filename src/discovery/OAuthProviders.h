#pragma once

#include <string>

#include "store/imap/Account.h"

namespace discovery {

using store::imap::OAuth2Client;

// Fills in the endpoints and scope of a provider whose OAuth2 endpoints Orvane knows ("google",
// "microsoft"); false for any other name. Endpoints already given are kept.
bool UseProvider(const std::string& provider, OAuth2Client& client);

// The provider whose mail server `host` is, as far as the name tells; empty when it does not.
std::string ProviderOfHost(const std::string& host);

// What to tell the user of an OAuth2 account that cannot log on yet, because no client id was
// given: which lines to add to which file. Empty when the account can log on.
std::string MissingClientId(const store::imap::Account& account);

}  // namespace discovery
