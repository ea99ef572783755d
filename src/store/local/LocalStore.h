#pragma once

#include <memory>

#include <string>
#include <vector>
#include "store/Store.h"

namespace store::local {

// A mail store found on this computer's disk.
struct FoundStore {
  // MhTree: nmh's mail directory, read as an mbox tree whose every directory is an MH folder. A
  // spool holds one folder, "Inbox"; an mbox file opened by the user one folder named after it.
  // PersonalFolderFile: a .pst or .ost file, which the personal folder binding reads, not this one.
  enum class Kind {
    MaildirTree,
    MboxTree,
    MhTree,
    Spool,
    EvolutionTree,
    KMailTree,
    MboxFile,
    PersonalFolderFile
  };
  Kind kind;
  std::string name;
  std::string path;
  // What tells it apart from another store of the same name: its profile, or its path.
  std::string origin;
};

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
