#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "store/Store.h"
#include "store/pff/PffSource.h"

namespace store::pff {

// The first bytes of every personal folder file.
inline constexpr char kSignature[] = "!BDN";

// Whether the file at `path` starts with the personal folder signature; only its first bytes are
// read, and a FIFO or a device is never waited on.
bool HasPersonalFolderSignature(const std::string& path);

// A personal folder file (.pst, .ost) as a store. Its reader process (see PffSource) is started
// when the store is first asked for its name or folders. Its name is the
// file's own display name, else the file's name; its root folder holds the folders under the
// file's top of personal folders (of its IPM subtree, for an .ost), in the order the window shows
// folders: Inbox first, then by name without regard to case.
class PffStore : public InfoStore {
 public:
  explicit PffStore(std::string path, std::string fileName = {});

  std::string Name() override;
  std::string Origin() override { return path_; }
  std::shared_ptr<Folder> RootFolder() override;
  std::vector<std::string> Locations() override { return {path_}; }

 private:
  std::string path_;
  std::string fileName_;
  std::shared_ptr<PffSource> source_;
  std::optional<std::string> name_;
};

}  // namespace store::pff
