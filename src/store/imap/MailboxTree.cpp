#include "store/imap/MailboxTree.h"

#include <QString>
#include <algorithm>
#include <map>

namespace store::imap {
namespace {

using Path = vmime::net::folder::path;

std::string Utf8(const Path::component& component) {
  return component.getConvertedText(vmime::charsets::UTF_8);
}

// Components joined by NUL, which no mailbox name holds.
std::string Key(const Path& path) {
  std::string key;
  for (std::size_t i = 0; i < path.getSize(); ++i) key += Utf8(path[i]) + '\0';
  return key;
}

void Sort(std::vector<std::shared_ptr<ImapFolder>>& folders, bool topLevel) {
  auto inbox = [topLevel](const ImapFolder& folder) {
    return topLevel && QString::fromStdString(folder.name())
                               .compare(QLatin1String("INBOX"), Qt::CaseInsensitive) == 0;
  };
  std::stable_sort(folders.begin(), folders.end(), [&](const auto& x, const auto& y) {
    if (inbox(*x) != inbox(*y)) return inbox(*x);
    const QString a = QString::fromStdString(x->name()), b = QString::fromStdString(y->name());
    if (int c = a.compare(b, Qt::CaseInsensitive)) return c < 0;
    return x->name() < y->name();
  });
  for (auto& folder : folders) Sort(folder->children(), false);
}

}  // namespace

std::shared_ptr<ImapFolder> MailboxTree(const std::shared_ptr<Server>& server) {
  auto root = std::make_shared<ImapFolder>(server, server->account().name, Path(), false);
  std::map<std::string, std::shared_ptr<ImapFolder>> byPath{{Key(Path()), root}};

  // The folder at `path`, made (without messages) when the server has not listed it yet.
  auto at = [&](const Path& path, auto& self) -> std::shared_ptr<ImapFolder> {
    if (auto found = byPath.find(Key(path)); found != byPath.end()) return found->second;
    auto parent = self(path.getParent(), self);
    auto folder = std::make_shared<ImapFolder>(server, Utf8(path.getLastComponent()), path, false);
    parent->children().push_back(folder);
    byPath.emplace(Key(path), folder);
    return folder;
  };

  for (const auto& mailbox : server->Mailboxes()) {
    const Path path = mailbox->getFullPath();
    if (path.isEmpty()) continue;
    auto folder = at(path, at);
    if (!(mailbox->getAttributes().getFlags() & vmime::net::folderAttributes::FLAG_NO_OPEN)) {
      folder->MakeSelectable();
    }
  }
  Sort(root->children(), true);
  return root;
}

}  // namespace store::imap
