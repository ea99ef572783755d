#include "store/imap/ImapMessages.h"

#include <glib.h>

#include <algorithm>
#include <chrono>
#include <future>
#include <limits>
#include <map>
#include <optional>
#include <string>

#include "store/Error.h"
#include "store/imap/Server.h"
#include "store/reading/ReadAhead.h"

namespace store::imap {

using reading::kReadAhead;
using reading::MessageSource;
using reading::ReadAhead;
namespace {

// The first batch is small, so the first messages show soon; each next one is twice as large, up
// to a limit that keeps round trips rare on a slow link. A batch also ends where its messages add
// up to kBatchBytes (but holds at least one), which bounds the memory a walk takes.
constexpr std::size_t kFirstBatch = 50;
constexpr std::size_t kLargestBatch = 400;
constexpr std::size_t kBatchBytes = 8 << 20;

// A fetched message's bytes never change, so what was read ahead is always good.
MessageSource FetchedText(std::shared_ptr<const std::string> text) {
  return {[text] {
            reading::Fetched fetched;
            fetched.raw.bytes.reset(g_byte_array_sized_new(static_cast<guint>(text->size())));
            g_byte_array_append(fetched.raw.bytes.get(),
                                reinterpret_cast<const guint8*>(text->data()),
                                static_cast<guint>(text->size()));
            return fetched;
          },
          nullptr};
}

MessageSource Failing(std::string reason) {
  return {[reason]() -> reading::Fetched { throw Error::Unreadable(reason); }, nullptr};
}

}  // namespace

// Walks the mailbox batch by batch. While the window writes the messages of one batch, the next
// is already being fetched on a thread of its own, so the walk rarely waits for the server; the
// connection is only ever used by one fetch at a time. The messages of a batch are parsed ahead
// as soon as the batch has arrived.
class ImapMessages::MessageCursor : public Cursor<Message> {
 public:
  MessageCursor(std::shared_ptr<Server> server, vmime::net::folder::path path,
                std::shared_ptr<Mailbox> mailbox,
                std::shared_ptr<const std::vector<Mailbox::Entry>> entries, std::size_t wholeUpTo)
      : server_(std::move(server)),
        path_(std::move(path)),
        mailbox_(std::move(mailbox)),
        uidValidity_(mailbox_->uidValidity()),
        entries_(std::move(entries)),
        wholeUpTo_(wholeUpTo),
        ahead_([this](std::size_t i) { return SourceAt(i); }, kReadAhead) {}

  ~MessageCursor() override {
    // The fetch under way uses this cursor's connection; it ends before anything here goes.
    if (pending_.valid()) pending_.wait();
  }

  bool Next(std::shared_ptr<Message>& element) override {
    if (next_ == entries_->size()) return false;
    if (next_ >= current_.end) {
      if (!TakeFollowing()) {
        StartFetch(next_);
        TakeFollowing();
      }
      current_ = std::move(*following_);
      following_.reset();
      if (current_.end < entries_->size()) StartFetch(current_.end);
    }
    element = ahead_.MessageAt(next_++);
    return true;
  }

 private:
  struct Batch {
    std::size_t begin = 0, end = 0;                                     // the entries it covers
    std::map<std::uint32_t, std::shared_ptr<const std::string>> texts;  // by UID
    std::string refusal;                 // why the server left some of the batch out, when it said
    std::optional<std::string> failure;  // why none of it could be fetched
  };

  // How to read message `i`, or nothing while its batch has not arrived.
  std::optional<MessageSource> SourceAt(std::size_t i) {
    if (i >= current_.end) {
      if (!following_) TakeFollowing(/*wait=*/false);
      if (!following_ || i >= following_->end) return std::nullopt;
    }
    const Batch& batch = i < current_.end ? current_ : *following_;
    if (batch.failure) return Failing(*batch.failure);
    auto found = batch.texts.find((*entries_)[i].uid);
    if (found != batch.texts.end()) return FetchedText(found->second);
    if (!batch.refusal.empty()) {
      return Failing("The server could not give the message: " + batch.refusal);
    }
    return Failing("The message was deleted from the server during the export.");
  }

  // Starts fetching the batch that begins with entry `first`.
  void StartFetch(std::size_t first) {
    Batch batch;
    batch.begin = batch.end = first;
    std::size_t bytes = 0;
    std::vector<Mailbox::Entry> messages;
    while (batch.end < entries_->size() && messages.size() < batchMessages_ &&
           (messages.empty() || bytes + (*entries_)[batch.end].size <= kBatchBytes)) {
      bytes += (*entries_)[batch.end].size;
      messages.push_back((*entries_)[batch.end++]);
    }
    batchMessages_ = std::min(2 * batchMessages_, kLargestBatch);
    pending_ = std::async(std::launch::async, [this, batch = std::move(batch),
                                               messages = std::move(messages)]() mutable {
      Fetch(batch, messages);
      return std::move(batch);
    });
  }

  // Moves the fetched batch to `following_`; without `wait`, only when it has arrived already.
  bool TakeFollowing(bool wait = true) {
    if (following_) return true;
    if (!pending_.valid()) return false;
    if (!wait && pending_.wait_for(std::chrono::seconds(0)) != std::future_status::ready) {
      return false;
    }
    following_ = pending_.get();
    return true;
  }

  // Runs on the fetching thread, one fetch at a time.
  void Fetch(Batch& batch, const std::vector<Mailbox::Entry>& messages) {
    if (lost_) {
      batch.failure = lost_;
      return;
    }
    try {
      Take(batch, mailbox_->Fetch(messages, wholeUpTo_));
      return;
    } catch (const Error&) {
    }
    // One new connection for this loss; the walk goes on from this batch. Should the fetch fail
    // again on the new connection, what breaks it may be the server's answer about the messages'
    // structure: the batch is then fetched whole, on one more.
    bool reopened = false;
    try {
      Reopen();
      reopened = true;
      Take(batch, mailbox_->Fetch(messages, wholeUpTo_));
      return;
    } catch (const Error& again) {
      if (!reopened) return Lose(batch, again);
    }
    try {
      Reopen();
      Take(batch, mailbox_->Fetch(messages, std::numeric_limits<std::size_t>::max()));
    } catch (const Error& last) {
      Lose(batch, last);
    }
  }

  void Lose(Batch& batch, const Error& error) {
    mailbox_.reset();
    lost_ = std::string("The connection to the server was lost and could not be reopened: ") +
            error.what();
    batch.failure = lost_;
  }

  void Reopen() {
    mailbox_.reset();
    auto mailbox = std::make_shared<Mailbox>(*server_, path_);
    if (mailbox->uidValidity() != uidValidity_) {
      throw Error::Unreadable("the mailbox was renumbered on the server meanwhile.");
    }
    mailbox_ = std::move(mailbox);
  }

  static void Take(Batch& batch, Mailbox::Fetched fetched) {
    for (auto& [uid, text] : fetched.texts) {
      batch.texts.emplace(uid, std::make_shared<const std::string>(std::move(text)));
    }
    batch.refusal = std::move(fetched.refusal);
  }

  std::shared_ptr<Server> server_;
  vmime::net::folder::path path_;
  std::shared_ptr<Mailbox> mailbox_;  // used by the fetching thread only, once the walk began
  std::uint32_t uidValidity_;
  std::optional<std::string> lost_;  // set by a fetch when the connection is gone for good
  std::shared_ptr<const std::vector<Mailbox::Entry>> entries_;
  std::size_t wholeUpTo_;
  std::size_t batchMessages_ = kFirstBatch;
  Batch current_;
  std::optional<Batch> following_;
  std::future<Batch> pending_;
  std::size_t next_ = 0;
  ReadAhead ahead_;  // last: its workers stop before the batches they read from go
};

ImapMessages::ImapMessages(std::shared_ptr<Server> server, vmime::net::folder::path path,
                           std::size_t wholeUpTo)
    : server_(std::move(server)), path_(std::move(path)), wholeUpTo_(wholeUpTo) {
  mailbox_ = std::make_shared<Mailbox>(*server_, path_);
  entries_ = std::make_shared<const std::vector<Mailbox::Entry>>(mailbox_->Entries());
}

std::unique_ptr<Cursor<Message>> ImapMessages::Begin() {
  return std::make_unique<MessageCursor>(server_, path_, mailbox_, entries_, wholeUpTo_);
}

}  // namespace store::imap
