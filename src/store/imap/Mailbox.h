#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <vmime/net/folder.hpp>
#include <vmime/net/imap/IMAPConnection.hpp>

#include "store/imap/BodyStructure.h"

namespace store::imap {

class Server;

// One mailbox opened read-only (EXAMINE) on a connection of its own. Nothing done here changes
// the server: bodies are fetched with BODY.PEEK, which leaves \Seen alone.
class Mailbox {
 public:
  struct Entry {
    std::uint32_t uid;
    std::size_t size;  // as the server counts it
  };

  // Connects and examines the mailbox; throws Error::Unreadable with the reason.
  Mailbox(Server& server, const vmime::net::folder::path& path);
  ~Mailbox();
  Mailbox(const Mailbox&) = delete;
  Mailbox& operator=(const Mailbox&) = delete;

  std::uint32_t uidValidity() const { return uidValidity_; }

  // The mailbox's messages now, in the server's order; throws Error::Unreadable.
  std::vector<Entry> Entries();

  struct Fetched {
    std::map<std::uint32_t, std::string> texts;  // by UID
    std::string refusal;  // the server's words when it could not give them all
  };

  // The text of each of these messages that the server still has, as a record reads it. A
  // message larger than `wholeUpTo` comes as its header section and its parts with their own
  // headers, but only the content of the parts its body text reads: an attachment's content is
  // left out. A smaller one, or one whose structure the server cannot give or gives in a form the
  // parser would read otherwise, is fetched whole. A message expunged meanwhile is simply not
  // there. Throws Error::Unreadable when the connection fails or the server rejects the command
  // outright.
  Fetched Fetch(const std::vector<Entry>& messages, std::size_t wholeUpTo);

 private:
  // How many messages one listing command asks about.
  static constexpr std::size_t kListingSlice = 5000;

  // What the server gave of each message: sections by name ("" the whole message), and the
  // message's structure when asked for and understood.
  struct Answer {
    std::map<std::string, std::string> sections;
    std::optional<BodyStructure> structure;
  };
  using Answers = std::map<std::uint32_t, Answer>;

  // Fetches these items of these messages into `answers`, each section's text added to what the
  // message has already; false when the server could not take the command (BAD). When it
  // declined some messages (NO), its words go to `refusal`.
  bool FetchItems(const std::vector<std::uint32_t>& uids, const std::vector<std::string>& items,
                  Answers& answers, std::string& refusal);

  // Appends the UID and size of messages first..last (by number); true when the server said the
  // mailbox changed meanwhile, which makes the numbers unreliable.
  bool ListSlice(std::size_t first, std::size_t last, std::vector<Entry>& entries);

  Server& server_;
  std::shared_ptr<vmime::net::imap::IMAPConnection> connection_;
  std::uint32_t uidValidity_ = 0;
  std::size_t exists_ = 0;
};

}  // namespace store::imap
