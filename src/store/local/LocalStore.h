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
  std::shared_ptr<Folder> RootFolder() override;

 private:
  FoundStore found_;
};

}  // namespace store::local
