#pragma once

#include <memory>
#include <optional>
#include <string>

#include "store/Store.h"
#include "store/pff/PffFile.h"

namespace store::pff {

// A folder of a personal folder file. Its folders are read when asked for, Inbox first, then by
// name without regard to case, as the local stores show theirs. A folder the file holds but that
// cannot be read is still listed, named after its place ("folder 3 (unreadable)"), and every
// walk of its messages fails with libpff's reason.
class PffFolder : public Folder {
 public:
  PffFolder(std::string name, std::shared_ptr<PffItem> item)
      : name_(std::move(name)), item_(std::move(item)) {}
  PffFolder(std::string name, Error failure)
      : name_(std::move(name)), failure_(std::move(failure)) {}

  std::string Name() override { return name_; }
  std::string Origin() override { return {}; }
  std::shared_ptr<Collection<Folder>> Folders() override;
  std::shared_ptr<Collection<Message>> Messages() override;

  // The folder's item in the file; none for a folder that could not be read.
  const std::shared_ptr<PffItem>& item() const { return item_; }

  // The folders of a folder item, sorted; the caller holds no lock.
  static std::vector<std::shared_ptr<Folder>> SubFolders(const std::shared_ptr<PffItem>& item);

 private:
  std::string name_;
  std::shared_ptr<PffItem> item_;
  std::optional<Error> failure_;
};

}  // namespace store::pff
