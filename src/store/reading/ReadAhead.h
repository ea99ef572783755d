#pragma once

#include <chrono>
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

// How many bytes of messages may be held parsed ahead of the one being written. A message's parse
// holds up to about its size (its text, decoded); one larger than what is left of this is read at
// its turn instead, so a folder of large messages costs one message's memory, not sixteen.
inline constexpr std::size_t kReadAheadBytes = 32u << 20;

// A walk that finds the message at its turn still being parsed waits for the few queued after it
// as well, so that it and the workers wake each other once for those few, not once for each; but
// never for longer than kTakenTogetherWait, so that a large message among them does not hold up
// the ones before it.
inline constexpr std::size_t kTakenTogether = 4;
inline constexpr std::chrono::milliseconds kTakenTogetherWait{5};

// The bytes that messages parsed ahead may hold between them.
class ByteBudget {
 public:
  explicit ByteBudget(std::size_t bytes) : left_(bytes), total_(bytes) {}
  // Takes `bytes` when that much is left.
  bool Take(std::size_t bytes);
  void Give(std::size_t bytes);
  // The most that has been taken at once.
  std::size_t mostTaken() const;

 private:
  mutable std::mutex mutex_;
  std::size_t left_;
  const std::size_t total_;
  std::size_t mostTaken_ = 0;
};

// One message's parse, queued ahead of its turn.
class ParsedAhead {
 public:
  struct Result {
    mail::MessageFields fields;
    FileStamp stamp;  // of the file the bytes came from
  };

  // Waits while the parse is queued or under way, first for the one queued kTakenTogether after
  // it. Gives the fields, or nothing when the read failed or the parse was dropped; the message is
  // then read at its turn as if never read ahead.
  std::optional<Result> Take();
  ~ParsedAhead();

 private:
  friend class ReadAhead;
  enum class State { Queued, Running, Done, Dropped };

  ParsedAhead(std::function<Fetched()> read, std::shared_ptr<ByteBudget> budget)
      : read_(std::move(read)), budget_(std::move(budget)) {}
  void Run();
  void Drop();
  bool Finished() const { return state_ == State::Done || state_ == State::Dropped; }

  std::mutex mutex_;
  std::condition_variable finished_;
  State state_ = State::Queued;
  std::function<Fetched()> read_;
  std::optional<Result> result_;
  std::shared_ptr<ByteBudget> budget_;
  std::size_t taken_ = 0;  // of the budget, while the parse is held
  // The message queued kTakenTogether after this one; set and read on the walk's thread only.
  std::weak_ptr<ParsedAhead> later_;
};

// Reads and parses the next few messages of a walk on worker threads while the caller writes the
// current one; each message is parsed by one worker, several messages at once. The walk itself, and
// every read of a message's fields, stay on the caller's thread and in its order; what the worker
// does is only ever used when the message's bytes are still where it read them at the message's
// turn. At most `depth` messages wait ahead, holding at most `bytes` between them, so memory grows
// neither with the folder nor with its messages' size. Destroying it drops what is still queued
// and joins the workers.
class ReadAhead {
 public:
  // How to read message `i`, or nothing when there is no message `i` (or it is not known yet).
  using Source = std::function<std::optional<MessageSource>(std::size_t i)>;

  ReadAhead(Source source, std::size_t depth, std::size_t bytes = kReadAheadBytes);
  ~ReadAhead();
  ReadAhead(const ReadAhead&) = delete;
  ReadAhead& operator=(const ReadAhead&) = delete;

  // Message `i`, which `source` must know; the walk asks for its messages in increasing order.
  // Queues the messages after it, up to `depth` of them.
  std::shared_ptr<Message> MessageAt(std::size_t i);

  // Messages queued and not yet taken by their turn.
  std::size_t waiting() const { return waiting_.size(); }
  // The most bytes held ahead at once.
  std::size_t mostHeld() const { return budget_->mostTaken(); }

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
  std::shared_ptr<ByteBudget> budget_;
  std::size_t next_ = 0;  // the first message not yet queued
  std::deque<Waiting> waiting_;

  std::mutex mutex_;
  std::condition_variable work_;
  std::deque<std::shared_ptr<ParsedAhead>> queue_;  // not yet started by the worker
  bool stopping_ = false;
  std::vector<std::thread> workers_;
};

}  // namespace store::reading
