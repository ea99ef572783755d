#pragma once

#include <memory>
#include <string>
#include <vector>

#include "store/Store.h"

namespace cli {

// An element of one level of the store tree (a store, or the folders of a folder) with the name
// the command line gives it: its own, or, where an element before it has that name, followed by
// what tells it apart (its origin, else a number), as the window's lists show it.
template <class T>
struct Named {
  std::shared_ptr<T> element;
  std::string name;
};

// The stores of the session, and the folders of a folder, named so. An element whose name cannot
// be read is left out; a collection that cannot be walked gives what it gave before failing.
std::vector<Named<store::InfoStore>> NamedStores(store::Session& session);
std::vector<Named<store::Folder>> NamedFolders(store::Folder& parent);

// A name as one part of a folder's path: "/" written "\/", "\" written "\\".
std::string Escaped(const std::string& name);

// A path split into its names, escapes undone. Throws UsageError for an empty name or a "\"
// before anything but "/" or "\".
std::vector<std::string> SplitPath(const std::string& path);

}  // namespace cli
