#pragma once

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

#include "mail/MessageFields.h"
#include "store/reading/ParsedMessage.h"

namespace store::reading {

// How many messages a walk over a local folder reads ahead of the one being written: enough to
// even out a few large messages, few enough that their memory never counts.
inline constexpr std::size_t kReadAhead = 16;

// One message's parse, queued ahead of its turn.
class ParsedAhead {
 public:
  struct Result {
    mail::MessageFields fields;
    FileStamp stamp;  // of the file the bytes came from
  };

  // Waits while the parse is queued or under way. Gives the fields, or nothing when the read
  // failed or the parse was dropped; the message is then read at its turn as if never read ahead.
  std::optional<Result> Take();

 private:
  friend class ReadAhead;
  enum class State { Queued, Running, Done, Dropped };

  explicit ParsedAhead(std::function<Fetched()> read) : read_(std::move(read)) {}
  void Run();
  void Drop();

  std::mutex mutex_;
  std::condition_variable finished_;
  State state_ = State::Queued;
  std::function<Fetched()> read_;
  std::optional<Result> result_;
};

// Reads and parses the next few messages of a walk on worker threads while the caller writes the
// current one; each message is parsed by one worker, several messages at once. The walk itself, and
// every read of a message's fields, stay on the caller's thread and in its order; what the worker
// does is only ever used when the message's bytes are still where it read them at the message's
// turn. At most `depth` messages wait ahead, so memory does not grow with the folder. Destroying it
// drops what is still queued and joins the workers.
class ReadAhead {
 public:
  // How to read message `i`, or nothing when there is no message `i` (or it is not known yet).
  using Source = std::function<std::optional<MessageSource>(std::size_t i)>;

  ReadAhead(Source source, std::size_t depth);
  ~ReadAhead();
  ReadAhead(const ReadAhead&) = delete;
  ReadAhead& operator=(const ReadAhead&) = delete;

  // Message `i`, which `source` must know; the walk asks for its messages in increasing order.
  // Queues the messages after it, up to `depth` of them.
  std::shared_ptr<Message> MessageAt(std::size_t i);

  // Messages queued and not yet taken by their turn.
  std::size_t waiting() const { return waiting_.size(); }

 private:
  struct Waiting {
    std::size_t index;
    MessageSource source;
    std::shared_ptr<ParsedAhead> parsed;
  };

  std::shared_ptr<ParsedAhead> Queue(std::function<Fetched()> read);
  void Work();

  Source source_;
  std::size_t depth_;
  std::size_t next_ = 0;  // the first message not yet queued
  std::deque<Waiting> waiting_;

  std::mutex mutex_;
  std::condition_variable work_;
  std::deque<std::shared_ptr<ParsedAhead>> queue_;  // not yet started by the worker
  bool stopping_ = false;
  std::vector<std::thread> workers_;
};

}  // namespace store::reading
