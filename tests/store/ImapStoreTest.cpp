// An IMAP account on a real server: logging on, protected as the account says, the server's
// certificate checked and every refusal given with a reason the user can act on (the log-ons are
// kept in tests/data/imap); its mailboxes as folders; and its messages read as the same messages
// kept in a local maildir, however the server changes under a walk. Expected failures are
// patterns: * any text, SERVER the server's host:port.

#include <fnmatch.h>

#include <set>
#include <thread>

#include "DataFiles.h"
#include "ImapServer.h"
#include "MessageCorpus.h"
#include "StoreReading.h"
#include "store/imap/ImapMessages.h"
#include "store/imap/ImapStore.h"
#include "store/imap/Server.h"
#include "store/maildir/MaildirMessages.h"

using namespace corpus;  // the messages served, which the window tests keep too
using store::imap::Security;
namespace fs = std::filesystem;

namespace {

constexpr const char *kUser = "ann", *kPassword = "correct horse", *kKey = "the test's own key";

// Tokens as an authorization server would give them: the first good for `lifetime` seconds from
// when it is made, the next ones for ten minutes; the first `expired` ones had run out before they
// were given. The current one is kept until the server refuses it.
class MintedTokens : public store::imap::AccessTokens {
 public:
  MintedTokens(long lifetime, int expired = 0) : lifetime_(lifetime), expired_(expired) {}
  std::string Current() override { return current_.empty() ? Renewed() : current_; }
  std::string Renewed() override {
    const long lifetime = expired_-- > 0 ? -60 : renewals++ == 0 ? lifetime_ : 600;
    return current_ = AccessToken(kKey, kUser, lifetime);
  }
  int renewals = 0;

 private:
  long lifetime_;
  int expired_;
  std::string current_;
};

// An account on a Dovecot server of the test's own, serving a maildir the test builds.
class ImapTest : public testing::Test {
 protected:
  TempHome home;
  // The served mail: INBOX at the top, Maildir++ subfolders beside it.
  std::string maildir = home.Maildir("served");
  std::unique_ptr<ImapServer> server;

  // Starts the server on what the test has delivered so far; the test trusts its authority.
  // With `oauth`, the server offers only those mechanisms and takes the test's tokens.
  void StartServer(bool tls = true, const std::string& oauth = "") {
    server = std::make_unique<ImapServer>(
        maildir, kUser, kPassword, tls,
        oauth.empty() ? std::nullopt : std::make_optional(ImapServer::OAuth{oauth, kKey}));
    home.SetEnv("SSL_CERT_FILE", server->caFile());
  }

  store::imap::Account AccountWith(Security security) const {
    const int port = security == Security::Tls ? server->imapsPort() : server->imapPort();
    return {"Work mail", "127.0.0.1", port, security, kUser};
  }

  // Logged on with the password, or with tokens when there are some.
  std::shared_ptr<store::InfoStore> Open() const {
    if (tokens) return store::imap::OpenImapStore(AccountWith(Security::Tls), tokens);
    return store::imap::OpenImapStore(AccountWith(Security::Tls), kPassword);
  }

  std::shared_ptr<MintedTokens> tokens;

  // Writes a message into cur/ of a folder of the served maildir ("" is INBOX), delivered at
  // `time`, with these maildir flags.
  void Deliver(const std::string& folder, long time, const std::string& text,
               const std::string& flags = "S") {
    const std::string dir = "served/" + (folder.empty() ? "" : "." + folder + "/");
    home.Maildir(dir);
    home.Write(
        dir + "cur/" + std::to_string(time) + ".M" + std::to_string(++delivered) + ":2," + flags,
        text);
  }

  // INBOX, which comes first.
  std::shared_ptr<store::Folder> Inbox(const std::shared_ptr<store::InfoStore>& account) {
    return Each(account->RootFolder()->Folders(), [](auto& folder) { return folder; }).at(0);
  }

  int delivered = 0;
};

// Why the text does not match the pattern, or "".
std::string Mismatch(const std::string& text, std::string pattern, const std::string& server) {
  for (std::size_t at; (at = pattern.find("SERVER")) != std::string::npos;)
    pattern.replace(at, 6, server);
  return fnmatch(pattern.c_str(), text.c_str(), 0) == 0 ? "" : text + "\n  is not " + pattern;
}

class ImapLogOn : public ImapTest, public testing::WithParamInterface<Names> {};

}  // namespace

// Each log-on kept in tests/data/imap/log-ons.txt succeeds, or fails saying why.
TEST_P(ImapLogOn, SucceedsOrSaysWhyNot) {
  const Names& row = GetParam();
  const std::string& change = row.at(2);
  // "oauth <mechanisms offered>[; <how many tokens had expired when given>]"
  const std::string oauth =
      change.starts_with("oauth ") ? change.substr(6, change.find(';') - 6) : "";
  if (!oauth.empty()) {
    tokens = std::make_shared<MintedTokens>(
        600,
        change.find(';') == std::string::npos ? 0 : std::stoi(change.substr(change.find(';') + 1)));
  }
  StartServer(change != "no TLS", oauth);
  store::imap::Account account = AccountWith(row.at(1) == "tls"        ? Security::Tls
                                             : row.at(1) == "starttls" ? Security::StartTls
                                                                       : Security::None);
  if (change.starts_with("host ")) account.host = change.substr(5);
  if (change == "TLS port") account.port = server->imapsPort();
  if (change == "authority directory") {
    fs::create_directory(home / "authorities");
    fs::copy_file(server->caFile(), home / "authorities/test-ca.pem");
    home.SetEnv("SSL_CERT_FILE", std::nullopt);
    home.SetEnv("SSL_CERT_DIR", home / "authorities");
  }
  if (change.starts_with("SSL_CERT_FILE=")) home.SetEnv("SSL_CERT_FILE", change.substr(14));
  if (change == "stopped") server->Stop();
  std::string failure;
  try {
    if (tokens) {
      store::imap::Server(account, tokens);
    } else {
      store::imap::Server(
          account, change.starts_with("password ") ? change.substr(9) : kPassword,
          change == "TLS port" ? std::chrono::milliseconds(300) : store::imap::kServerTimeout);
    }
  } catch (const store::Error& error) {
    EXPECT_TRUE(error.unreadable());
    failure = error.what();
  }
  EXPECT_EQ(Mismatch(failure, row.at(3), account.Server()), "");
}

INSTANTIATE_TEST_SUITE_P(Data, ImapLogOn, testing::ValuesIn(DataRows("imap/log-ons.txt")),
                         DataTestName);

TEST_F(ImapTest, FoldersAreTheServersHierarchyInboxFirstThenByNameWithNamesDecodedAgainAfterADrop) {
  for (const std::string folder : {"", "zeta", "Entw&APw-rfe", "Archive.2024", "Archive.2023",
                                   "alpha", "Old \"mail\"", "Lists.orvane"})
    Deliver(folder, kFirstDelivery, "Subject: " + (folder.empty() ? "INBOX" : folder) + "\n\n");
  StartServer();
  auto account = Open();
  EXPECT_EQ(account->Name(), "Work mail");
  // Archive and Lists only hold other mailboxes.
  const std::string outline =
      "Work mail {INBOX [INBOX]; alpha [alpha]; Archive {2023 [Archive.2023]; "
      "2024 [Archive.2024]}; Entwürfe [Entw&APw-rfe]; Lists {orvane [Lists.orvane]}; "
      "Old \"mail\" [Old \"mail\"]; zeta [zeta]}";
  EXPECT_EQ(Outline(*account->RootFolder()), outline);
  server->Stop();  // the account's connection is cut
  server->Start();
  EXPECT_EQ(Outline(*account->RootFolder()), outline);
  // A mailbox's messages are counted as they were when they were asked for.
  auto messages = Inbox(account)->Messages();
  Deliver("", kFirstDelivery + 60, "Subject: later\n\n");
  EXPECT_EQ(messages->Count(), 1);
  EXPECT_EQ(Inbox(account)->Messages()->Count(), 2);
}

namespace {

constexpr int kMessages = 250;

class ImapMessages : public ImapTest, public testing::WithParamInterface<Names> {
 protected:
  std::set<fs::path> Served() {
    return std::set<fs::path>(fs::directory_iterator(maildir + "/cur"), fs::directory_iterator());
  }

  void Disturb(const std::string& what) {
    if (what == "token expired") {
      // Every connection of the walk has logged on with a token that has run out since.
      std::this_thread::sleep_for(std::chrono::milliseconds(4100));
      server->Stop();
      server->Start();
    }
    if (what == "deleted") fs::remove(*std::next(Served().begin(), 219));  // message 220
    if (what == "cut" || what == "renumbered" || what == "gone") server->Stop();
    if (what == "renumbered") {
      // The server's new UIDVALIDITY is the time in seconds: a second must pass for it to differ.
      std::this_thread::sleep_for(std::chrono::milliseconds(1100));
      for (const auto& entry : fs::directory_iterator(maildir))
        if (entry.path().filename().string().starts_with("dovecot")) fs::remove(entry.path());
    }
    if (what == "cut" || what == "renumbered") server->Start();
  }
};

}  // namespace

// Each disturbance kept in tests/data/imap/disturbances.txt leaves the messages it names unread,
// saying why, and every other message as it is in a local maildir.
TEST_P(ImapMessages, ReadAsInALocalMaildirOrSayWhyNot) {
  const auto texts = CorpusMessages(kMessages);
  for (int i = 0; i < kMessages; ++i) Deliver("", kFirstDelivery + 60L * i, texts[i], Flags(i));
  const std::shared_ptr<store::Collection<store::Message>> local =
      std::make_shared<store::maildir::MaildirMessages>(maildir);
  const Names expected =
      Each(local, [](auto& message) { return Joined(AllFields(*message), "\n"); });
  // Every message is delivered into cur/, where a flag the walk changed would show in its name.
  const std::set<fs::path> served = Served();
  const Names& row = GetParam();
  // An OAuth2 account whose first token lasts three seconds, on a server offering only XOAUTH2.
  if (row.at(1) == "token expired") tokens = std::make_shared<MintedTokens>(3);
  StartServer(true, tokens ? "xoauth2" : "");
  // Every message is fetched as large ones are, without the parts its record does not read.
  auto connection =
      tokens ? std::make_shared<store::imap::Server>(AccountWith(Security::Tls), tokens)
             : std::make_shared<store::imap::Server>(AccountWith(Security::Tls), kPassword);
  std::shared_ptr<store::Collection<store::Message>> messages =
      std::make_shared<store::imap::ImapMessages>(
          connection, vmime::net::folder::path(vmime::net::folder::path::component("INBOX")), 0);
  EXPECT_EQ(messages->Count(), kMessages);
  if (row.at(2) == "before the walk") Disturb(row.at(1));
  int walked = 0;
  const Names read = Each(messages, [&](auto& message) {
    const std::string fields = Joined(AllFields(*message), "\n");
    if (++walked == 10 && row.at(2) == "at the tenth message") Disturb(row.at(1));
    return fields;
  });
  ASSERT_EQ(read.size(), expected.size());
  const auto firstUnread =
      std::ranges::find_if(read, [](auto& fields) { return fields.starts_with("<un"); }) -
      read.begin();
  if (row.at(3) == "the rest") {
    EXPECT_GE(firstUnread, 10) << "the messages read before stay read";
    EXPECT_LT(firstUnread, kMessages);
  }
  const std::string unread = Joined(Names(7, "<unreadable: " + row.at(4) + ">"), "\n");
  for (int i = 0; i < kMessages; ++i) {
    if (std::to_string(i + 1) == row.at(3) || row.at(3) == "all" ||
        (row.at(3) == "the rest" && i >= firstUnread)) {
      EXPECT_EQ(Mismatch(read[i], unread, AccountWith(Security::Tls).Server()), "") << i + 1;
    } else {
      EXPECT_EQ(read[i], expected[i]) << i + 1;
    }
  }
  if (tokens) {
    EXPECT_GE(tokens->renewals, 2) << "a new token for the reopened connection";
  }
  if (row.at(3) == "none") {
    messages.reset();  // its sessions end, and log what they moved
    // Attachments are never fetched: all the mail served moves in fewer bytes than the one large
    // attachment it holds.
    EXPECT_LT(server->BytesSent(), kLargeAttachment);
    server->Stop();
    EXPECT_EQ(Served(), served) << "no flag changed on the server";
  }
}

INSTANTIATE_TEST_SUITE_P(Data, ImapMessages, testing::ValuesIn(DataRows("imap/disturbances.txt")),
                         DataTestName);
