#pragma once

#include <gmime/gmime.h>

#include <string>
#include <vector>

namespace mail {

// The mailboxes of an address list, groups opened up, each written "Name <address>" (the address
// alone when it has no name), in UTF-8.
void AppendMailboxes(InternetAddressList* list, std::vector<std::string>& mailboxes);

}  // namespace mail
