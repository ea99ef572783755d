#pragma once

#include "store/local/LocalFolder.h"

namespace store::local {

// The order folders are shown in: "Inbox" first, then by name without regard to case, and
// names that differ only in case by their bytes, so the order never depends on the directory's.
void SortFolders(LocalFolders& folders);

}  // namespace store::local
