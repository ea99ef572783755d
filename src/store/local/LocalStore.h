#pragma once

#include <memory>

#include "store/Store.h"
#include "store/local/StoreFinder.h"

namespace store::local {

// One mail store found on this computer; its root folder holds the store's top-level folders.
class LocalStore : public InfoStore {
 public:
  explicit LocalStore(FoundStore found) : found_(std::move(found)) {}

  std::string Name() override { return found_.name; }
  std::string Origin() override { return found_.origin; }
  std::shared_ptr<Folder> RootFolder() override;
  std::vector<std::string> Locations() override;

 private:
  FoundStore found_;
};

}  // namespace store::local
