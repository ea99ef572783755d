#include "store/local/LocalStore.h"

#include "store/local/LocalFolder.h"
#include "store/local/MaildirTree.h"
#include "store/local/MboxTree.h"

namespace store::local {

std::shared_ptr<Folder> LocalStore::RootFolder() {
  LocalFolder::Children children;
  switch (found_.kind) {
    case FoundStore::Kind::MaildirTree:
      children = [path = found_.path] { return MaildirTreeFolders(path); };
      break;
    case FoundStore::Kind::MboxTree:
      children = [path = found_.path] { return MboxTreeFolders(path); };
      break;
    case FoundStore::Kind::Spool:
      children = Fixed({std::make_shared<LocalFolder>(
          "Inbox", MessageSource{MessageSource::Kind::Mbox, found_.path})});
      break;
  }
  return std::make_shared<LocalFolder>(found_.name, MessageSource{}, std::move(children));
}

}  // namespace store::local
