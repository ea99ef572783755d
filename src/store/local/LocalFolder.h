#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "store/Store.h"

namespace store::local {

// Where a folder's messages are kept.
struct FolderMessages {
  enum class Kind { None, Maildir, Mbox, CompressedMbox, Mh };
  Kind kind = Kind::None;
  std::string path;
};

// A folder of a local store: a maildir, an mbox file (perhaps compressed), an MH folder, or a
// folder that only holds folders.
// Its children are found when they are asked for, so a large tree costs nothing until browsed.
class LocalFolder;
using LocalFolders = std::vector<std::shared_ptr<LocalFolder>>;

class LocalFolder : public Folder {
 public:
  using Children = std::function<std::vector<std::shared_ptr<LocalFolder>>()>;

  LocalFolder(std::string name, FolderMessages messages, Children children = {})
      : name_(std::move(name)), messages_(std::move(messages)), children_(std::move(children)) {}

  const std::string& name() const { return name_; }
  // The maildir, mbox file or MH folder holding its messages; empty when it holds none of its own.
  const std::string& messagesPath() const { return messages_.path; }
  // Its folders, found anew, in the order they were found.
  LocalFolders ChildFolders() const { return children_ ? children_() : LocalFolders{}; }

  std::string Name() override { return name_; }
  std::string Origin() override;
  std::shared_ptr<Collection<Folder>> Folders() override;
  std::shared_ptr<Collection<Message>> Messages() override;

 private:
  std::string name_;
  FolderMessages messages_;
  Children children_;
};

// A children function that hands out folders already found.
LocalFolder::Children Fixed(LocalFolders folders);

}  // namespace store::local
