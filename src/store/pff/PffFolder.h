#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "store/Store.h"
#include "store/pff/PffSource.h"

namespace store::pff {

// A folder of a personal folder file, named by its place in the file: the indexes of the folders
// leading to it from the file's root. Its folders are read when asked for, Inbox first, then by
// name without regard to case, as the local stores show theirs. A folder the file holds but that
// cannot be read is still listed, named after its place ("folder 3 (unreadable)"), and every
// walk of its messages fails with libpff's reason.
class PffFolder : public Folder {
 public:
  PffFolder(std::string name, std::shared_ptr<PffSource> source, std::vector<int> place)
      : name_(std::move(name)), source_(std::move(source)), place_(std::move(place)) {}
  PffFolder(std::string name, Error failure)
      : name_(std::move(name)), failure_(std::move(failure)) {}

  std::string Name() override { return name_; }
  std::string Origin() override { return {}; }
  std::shared_ptr<Collection<Folder>> Folders() override;
  std::shared_ptr<Collection<Message>> Messages() override;

  bool readable() const { return !failure_; }

  // The folders of the folder at `place`, sorted.
  static std::vector<std::shared_ptr<Folder>> SubFolders(const std::shared_ptr<PffSource>& source,
                                                         const std::vector<int>& place);

 private:
  std::string name_;
  std::shared_ptr<PffSource> source_;
  std::vector<int> place_;
  std::optional<Error> failure_;
};

}  // namespace store::pff
