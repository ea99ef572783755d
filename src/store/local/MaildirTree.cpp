#include "store/local/MaildirTree.h"

#include <cctype>
#include <map>

#include "mail/FolderName.h"
#include "store/maildir/Maildir.h"
#include "store/reading/Directory.h"

namespace store::local {

using mail::DecodeMailboxName;
using mail::FileNameText;
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

using PartName = std::string (*)(std::string_view);

LocalFolders FromNodes(const Node& parent, PartName name);

std::shared_ptr<LocalFolder> FromNode(const std::string& part, const Node& node, PartName name) {
  FolderMessages messages;
  if (!node.path.empty()) messages = {FolderMessages::Kind::Maildir, node.path};
  return std::make_shared<LocalFolder>(name(part), messages, Fixed(FromNodes(node, name)));
}

LocalFolders FromNodes(const Node& parent, PartName name) {
  LocalFolders folders;
  for (const auto& [part, child] : parent.children) folders.push_back(FromNode(part, child, name));
  return folders;
}

// The folders of a Maildir++ tree's dotted directories: ".Work.Projects" is the node "Projects"
// under "Work".
Node DottedFolders(const std::string& root) {
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
  return top;
}

// A folder name part as Evolution keeps it: "." and "_" (and any byte it chose to) written as
// "_" and two hexadecimal digits.
std::string UnescapeEvolutionName(std::string_view part) {
  auto hex = [](char c) { return std::isxdigit(static_cast<unsigned char>(c)) != 0; };
  std::string name;
  for (std::size_t i = 0; i < part.size(); ++i) {
    if (part[i] == '_' && i + 2 < part.size() && hex(part[i + 1]) && hex(part[i + 2])) {
      name += static_cast<char>(std::stoi(std::string(part.substr(i + 1, 2)), nullptr, 16));
      i += 2;
    } else {
      name += part[i];
    }
  }
  return FileNameText(name);
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
  LocalFolders dotted = FromNodes(DottedFolders(root), DecodeMailboxName);
  LocalFolders plain = PlainMaildirs(root);
  folders.insert(folders.end(), dotted.begin(), dotted.end());
  folders.insert(folders.end(), plain.begin(), plain.end());
  return folders;
}

LocalFolders EvolutionTreeFolders(const std::string& root) {
  Node top = DottedFolders(root);
  // "..Receipts" is "Receipts" below the Inbox, whose name part is empty.
  Node inbox = std::move(top.children[""]);
  top.children.erase("");
  LocalFolders folders = FromNodes(top, UnescapeEvolutionName);
  folders.insert(folders.begin(), std::make_shared<LocalFolder>(
                                      "Inbox", FolderMessages{FolderMessages::Kind::Maildir, root},
                                      Fixed(FromNodes(inbox, UnescapeEvolutionName))));
  return folders;
}

LocalFolders KMailTreeFolders(const std::string& directory) {
  // Each maildir is a folder; ".Name.directory" beside the maildir "Name" holds its folders.
  std::map<std::string, FolderMessages> maildirs;
  std::map<std::string, std::string> subfolders;
  for (const DirectoryEntry& entry : ListDirectory(directory)) {
    if (entry.type != DirectoryEntry::Type::Directory || IsMaildirOwnDirectory(entry.name))
      continue;
    const std::string& name = entry.name;
    if (name.size() > 11 && name.starts_with('.') && name.ends_with(".directory")) {
      const std::string owner = name.substr(1, name.size() - 11);
      subfolders[owner] = entry.path;
      maildirs.try_emplace(owner);
    } else if (!name.starts_with('.') && MayBeMaildir(entry.path)) {
      maildirs[name] = {FolderMessages::Kind::Maildir, entry.path};
    }
  }
  LocalFolders folders;
  for (const auto& [name, messages] : maildirs) {
    LocalFolder::Children children;
    if (auto below = subfolders.find(name); below != subfolders.end())
      children = [path = below->second] { return KMailTreeFolders(path); };
    folders.push_back(
        std::make_shared<LocalFolder>(FileNameText(name), messages, std::move(children)));
  }
  return folders;
}

}  // namespace store::local
