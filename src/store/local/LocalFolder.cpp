#include "store/local/LocalFolder.h"

#include <filesystem>

#include "mail/FolderName.h"
#include "store/ListCollection.h"
#include "store/local/FolderOrder.h"
#include "store/maildir/MaildirMessages.h"
#include "store/mbox/CompressedMboxMessages.h"
#include "store/mbox/MboxMessages.h"
#include "store/mh/MhMessages.h"

namespace store::local {

using mail::FileNameText;
using maildir::MaildirMessages;
using mbox::CompressedMboxMessages;
using mbox::MboxMessages;
using mh::MhMessages;

std::string LocalFolder::Origin() {
  // The file or directory name it is kept under (".Work" beside a "Work" directory).
  return messages_.path.empty()
             ? std::string()
             : FileNameText(std::filesystem::path(messages_.path).filename().string());
}

std::shared_ptr<Collection<Folder>> LocalFolder::Folders() {
  LocalFolders children = ChildFolders();
  SortFolders(children);
  return std::make_shared<ListCollection<Folder>>(
      std::vector<std::shared_ptr<Folder>>(children.begin(), children.end()));
}

std::shared_ptr<Collection<Message>> LocalFolder::Messages() {
  switch (messages_.kind) {
    case FolderMessages::Kind::Maildir:
      return std::make_shared<MaildirMessages>(messages_.path);
    case FolderMessages::Kind::Mbox:
      return std::make_shared<MboxMessages>(messages_.path);
    case FolderMessages::Kind::CompressedMbox:
      return std::make_shared<CompressedMboxMessages>(messages_.path,
                                                      mbox::CompressionOf(messages_.path).value());
    case FolderMessages::Kind::Mh:
      return std::make_shared<MhMessages>(messages_.path);
    case FolderMessages::Kind::None:
      break;
  }
  return NoMessages();
}

LocalFolder::Children Fixed(LocalFolders folders) {
  return [folders = std::move(folders)] { return folders; };
}

}  // namespace store::local
