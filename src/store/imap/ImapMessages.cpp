#include "store/imap/ImapMessages.h"

#include <glib.h>

#include <algorithm>
#include <map>
#include <optional>
#include <string>

#include "store/Error.h"
#include "store/imap/Server.h"
#include "store/local/ReadAhead.h"

namespace store::imap {
namespace {

using local::MessageSource;
using local::RawMessage;

// The first batch is small, so the first messages show soon; each next one is twice as large, up
// to a limit that keeps round trips rare on a slow link. A batch also ends where its messages add
// up to kBatchBytes (but holds at least one), which bounds the memory a walk takes.
constexpr std::size_t kFirstBatch = 50;
constexpr std::size_t kLargestBatch = 400;
constexpr std::size_t kBatchBytes = 8 << 20;

MessageSource Fetched(std::shared_ptr<const std::string> text) {
  return {[text] {
            RawMessage raw;
            raw.bytes.reset(g_byte_array_sized_new(static_cast<guint>(text->size())));
            g_byte_array_append(raw.bytes.get(), reinterpret_cast<const guint8*>(text->data()),
                                static_cast<guint>(text->size()));
            return raw;
          },
          [](const local::FileStamp&) { return true; }};  // fetched bytes never change
}

MessageSource Failing(std::string reason) {
  return {[reason]() -> RawMessage { throw Error::Unreadable(reason); },
          [](const local::FileStamp&) { return false; }};
}

}  // namespace

class ImapMessages::MessageCursor : public Cursor<Message> {
 public:
  MessageCursor(std::shared_ptr<Server> server, vmime::net::folder::path path,
                std::shared_ptr<Mailbox> mailbox,
                std::shared_ptr<const std::vector<Mailbox::Entry>> entries)
      : server_(std::move(server)),
        path_(std::move(path)),
        mailbox_(std::move(mailbox)),
        uidValidity_(mailbox_->uidValidity()),
        entries_(std::move(entries)),
        ahead_([this](std::size_t i) { return SourceAt(i); }, local::kReadAhead) {}

  bool Next(std::shared_ptr<Message>& element) override {
    if (next_ == entries_->size()) return false;
    if (next_ >= batchEnd_) FetchBatchAt(next_);
    element = ahead_.MessageAt(next_++);
    return true;
  }

 private:
  // How to read message `i` of the batch in hand, or nothing outside it.
  std::optional<MessageSource> SourceAt(std::size_t i) const {
    if (i < batchBegin_ || i >= batchEnd_) return std::nullopt;
    if (failure_) return Failing(*failure_);
    auto found = batch_.find((*entries_)[i].uid);
    if (found == batch_.end()) {
      if (!refusal_.empty()) return Failing("The server could not give the message: " + refusal_);
      return Failing("The message was deleted from the server during the export.");
    }
    return Fetched(found->second);
  }

  void FetchBatchAt(std::size_t first) {
    batch_.clear();
    refusal_.clear();
    batchBegin_ = first;
    batchEnd_ = first;
    std::size_t bytes = 0;
    std::vector<std::uint32_t> uids;
    while (batchEnd_ < entries_->size() && uids.size() < batchMessages_ &&
           (uids.empty() || bytes + (*entries_)[batchEnd_].size <= kBatchBytes)) {
      bytes += (*entries_)[batchEnd_].size;
      uids.push_back((*entries_)[batchEnd_++].uid);
    }
    batchMessages_ = std::min(2 * batchMessages_, kLargestBatch);
    if (failure_) return;
    try {
      Take(mailbox_->Fetch(uids));
    } catch (const Error&) {
      // One new connection for this loss; the walk goes on from this batch.
      try {
        Reopen();
        Take(mailbox_->Fetch(uids));
      } catch (const Error& again) {
        mailbox_.reset();
        failure_ =
            std::string("The connection to the server was lost and could not be reopened: ") +
            again.what();
      }
    }
  }

  void Reopen() {
    mailbox_.reset();
    auto mailbox = std::make_shared<Mailbox>(*server_, path_);
    if (mailbox->uidValidity() != uidValidity_) {
      throw Error::Unreadable("the mailbox was renumbered on the server meanwhile.");
    }
    mailbox_ = std::move(mailbox);
  }

  void Take(Mailbox::Fetched fetched) {
    for (auto& [uid, text] : fetched.texts) {
      batch_.emplace(uid, std::make_shared<const std::string>(std::move(text)));
    }
    refusal_ = std::move(fetched.refusal);
  }

  std::shared_ptr<Server> server_;
  vmime::net::folder::path path_;
  std::shared_ptr<Mailbox> mailbox_;
  std::uint32_t uidValidity_;
  std::shared_ptr<const std::vector<Mailbox::Entry>> entries_;
  std::map<std::uint32_t, std::shared_ptr<const std::string>> batch_;
  std::size_t batchBegin_ = 0, batchEnd_ = 0;
  std::size_t batchMessages_ = kFirstBatch;
  std::string refusal_;  // why the server left some of the batch out, when it said
  std::optional<std::string> failure_;
  std::size_t next_ = 0;
  local::ReadAhead ahead_;  // last: its workers stop before the batch they read from goes
};

ImapMessages::ImapMessages(std::shared_ptr<Server> server, vmime::net::folder::path path)
    : server_(std::move(server)), path_(std::move(path)) {
  mailbox_ = std::make_shared<Mailbox>(*server_, path_);
  entries_ = std::make_shared<const std::vector<Mailbox::Entry>>(mailbox_->Entries());
}

std::unique_ptr<Cursor<Message>> ImapMessages::Begin() {
  return std::make_unique<MessageCursor>(server_, path_, mailbox_, entries_);
}

}  // namespace store::imap
