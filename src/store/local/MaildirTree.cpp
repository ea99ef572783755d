#include "store/local/MaildirTree.h"

#include <map>

#include "mail/FolderName.h"
#include "store/maildir/Maildir.h"
#include "store/reading/Directory.h"

namespace store::local {

using mail::DecodeMailboxName;
using maildir::IsMaildir;
using maildir::MayBeMaildir;
using reading::DirectoryEntry;
using reading::ListDirectory;
namespace {

// One level of the dotted names: ".Work.Projects" is the node "Projects" under "Work".
struct Node {
  std::string path;  // empty for a parent that has no maildir of its own
  std::map<std::string, Node> children;
};

std::shared_ptr<LocalFolder> FromNode(const std::string& part, const Node& node) {
  LocalFolders children;
  for (const auto& [childPart, child] : node.children)
    children.push_back(FromNode(childPart, child));
  FolderMessages messages;
  if (!node.path.empty()) messages = {FolderMessages::Kind::Maildir, node.path};
  return std::make_shared<LocalFolder>(DecodeMailboxName(part), messages,
                                       Fixed(std::move(children)));
}

bool IsMaildirOwnDirectory(const std::string& name) {
  return name == "cur" || name == "new" || name == "tmp";
}

// "fs" layout: plain directories holding cur/, nested as the directories are.
LocalFolders PlainMaildirs(const std::string& directory) {
  LocalFolders folders;
  for (const DirectoryEntry& entry : ListDirectory(directory)) {
    if (entry.type != DirectoryEntry::Type::Directory || entry.name.starts_with('.') ||
        IsMaildirOwnDirectory(entry.name) || !MayBeMaildir(entry.path)) {
      continue;
    }
    folders.push_back(std::make_shared<LocalFolder>(
        DecodeMailboxName(entry.name), FolderMessages{FolderMessages::Kind::Maildir, entry.path},
        [path = entry.path] { return PlainMaildirs(path); }));
  }
  return folders;
}

}  // namespace

LocalFolders MaildirTreeFolders(const std::string& root) {
  LocalFolders folders;
  if (IsMaildir(root)) {
    folders.push_back(std::make_shared<LocalFolder>(
        "Inbox", FolderMessages{FolderMessages::Kind::Maildir, root}));
  }
  Node top;
  for (const DirectoryEntry& entry : ListDirectory(root)) {
    // Other dot directories (.notmuch, .git) are tools' state, not folders.
    if (entry.type != DirectoryEntry::Type::Directory || !entry.name.starts_with('.') ||
        entry.name == "." || entry.name == ".." || !MayBeMaildir(entry.path)) {
      continue;
    }
    Node* node = &top;
    std::string_view rest = std::string_view(entry.name).substr(1);
    for (;;) {
      std::size_t dot = rest.find('.');
      node = &node->children[std::string(rest.substr(0, dot))];
      if (dot == std::string_view::npos) break;
      rest.remove_prefix(dot + 1);
    }
    node->path = entry.path;
  }
  for (const auto& [part, node] : top.children) folders.push_back(FromNode(part, node));
  LocalFolders plain = PlainMaildirs(root);
  folders.insert(folders.end(), plain.begin(), plain.end());
  return folders;
}

}  // namespace store::local
