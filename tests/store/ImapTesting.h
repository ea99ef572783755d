#pragma once

// An IMAP account on a Dovecot server of the test's own, serving a maildir the test builds, and
// an export of its folders the way the window makes one.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "ImapServer.h"
#include "TempHome.h"
#include "export/ExportView.h"
#include "export/FolderExport.h"
#include "store/Store.h"
#include "store/Walk.h"
#include "store/imap/ImapStore.h"

namespace imaptest {

using store::imap::Account;
using store::imap::Security;

inline constexpr const char* kUser = "ann";
inline constexpr const char* kPassword = "correct horse";

// The window's side of an export: the path, and a hook run at each message's event processing.
struct ExportTo : exporter::ExportView {
  explicit ExportTo(std::string file) : path(std::move(file)) {}
  std::string path;
  std::string idCaption = "None";
  long events = 0;
  std::function<void(long)> atEvents;  // given how many messages were shown so far

  std::string ExportPath() override { return path; }
  std::vector<std::string> MailLocations() override { return {}; }
  void SetProgressMax(float) override {}
  void SetProgressValue(float) override {}
  void SetMessageCountCaption(const std::string&) override {}
  void SetSubjectCaption(const std::string&) override {}
  void SetMessageIdCaption(const std::string& text) override { idCaption = text; }
  void ProcessPendingEvents() override {
    ++events;
    if (atEvents) atEvents(events);
  }
  bool ContinueExport() override { return true; }
};

inline std::string FileBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Names of a collection's elements in walk order.
template <class T>
std::vector<std::string> NamesOf(const std::shared_ptr<store::Collection<T>>& collection) {
  std::vector<std::string> names;
  std::shared_ptr<T> element;
  for (store::Walk walk(collection, element); !walk.done(); walk.Advance()) {
    names.push_back(element->Name());
  }
  return names;
}

template <class T>
std::shared_ptr<T> Named(const std::shared_ptr<store::Collection<T>>& collection,
                         const std::string& name) {
  std::shared_ptr<T> element;
  for (store::Walk walk(collection, element); !walk.done(); walk.Advance()) {
    if (element->Name() == name) return element;
  }
  ADD_FAILURE() << "no folder " << name;
  return nullptr;
}

class ImapTest : public testing::Test {
 protected:
  TempHome home;
  // The served mail: INBOX at the top, Maildir++ subfolders beside it.
  std::string maildir = home.Maildir("served");
  std::unique_ptr<ImapServer> server;

  // Starts the server on what the test has delivered so far; the test trusts its authority.
  void StartServer() {
    server = std::make_unique<ImapServer>(maildir, kUser, kPassword);
    home.SetEnv("SSL_CERT_FILE", server->caFile());
  }

  Account AccountWith(Security security) const {
    Account account;
    account.name = "Work mail";
    account.host = "127.0.0.1";
    account.security = security;
    account.port = security == Security::Tls ? server->imapsPort() : server->imapPort();
    account.user = kUser;
    return account;
  }

  std::shared_ptr<store::InfoStore> Open(Security security = Security::Tls,
                                         const std::string& password = kPassword) const {
    return store::imap::OpenImapStore(AccountWith(security), password);
  }

  // Why opening the account fails, or "" when it opens.
  std::string OpenFailure(const Account& account, const std::string& password = kPassword) const {
    try {
      store::imap::OpenImapStore(account, password);
    } catch (const store::Error& error) {
      EXPECT_TRUE(error.unreadable());
      return error.what();
    }
    return "";
  }

  // Writes a message into cur/ of a folder of the served maildir ("" is INBOX), delivered at
  // `time`, with these maildir flags; returns its file name.
  std::string Deliver(const std::string& folder, long time, const std::string& text,
                      const std::string& flags = "S") {
    const std::string name =
        std::to_string(time) + ".M" + std::to_string(++delivered_) + "P4242.orvane-test:2," + flags;
    const std::string dir = "served/" + (folder.empty() ? "" : "." + folder + "/");
    home.Maildir(dir);
    home.Write(dir + "cur/" + name, text);
    return name;
  }

  std::shared_ptr<store::Folder> Inbox(const std::shared_ptr<store::InfoStore>& account) {
    return Named(account->RootFolder()->Folders(), "INBOX");
  }

  exporter::Outcome Export(const std::shared_ptr<store::Folder>& folder, ExportTo& view) {
    return exporter::SaveMessagesToFile(view, folder);
  }

 private:
  int delivered_ = 0;
};

}  // namespace imaptest
