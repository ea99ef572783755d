#include "store/reading/ReadAhead.h"

#include <algorithm>
#include <mutex>
#include <utility>

#include "mail/MessageParser.h"

namespace store::reading {
namespace {

std::size_t SizeOf(const mail::RawMessage& raw) {
  if (raw.file) return raw.file->size;
  return raw.bytes ? raw.bytes->len : 0;
}

}  // namespace

bool ByteBudget::Take(std::size_t bytes) {
  std::lock_guard lock(mutex_);
  if (bytes > left_) return false;
  left_ -= bytes;
  mostTaken_ = std::max(mostTaken_, total_ - left_);
  return true;
}

void ByteBudget::Give(std::size_t bytes) {
  std::lock_guard lock(mutex_);
  left_ += bytes;
}

std::size_t ByteBudget::mostTaken() const {
  std::lock_guard lock(mutex_);
  return mostTaken_;
}

std::optional<ParsedAhead::Result> ParsedAhead::Take() {
  std::unique_lock lock(mutex_);
  if (std::shared_ptr<ParsedAhead> later = later_.lock(); later && !Finished()) {
    // The workers take messages in their order: once the later one is done, this one almost
    // always is too.
    lock.unlock();
    {
      std::unique_lock laterLock(later->mutex_);
      later->finished_.wait_for(laterLock, kTakenTogetherWait,
                                [&later] { return later->Finished(); });
    }
    lock.lock();
  }
  finished_.wait(lock, [this] { return Finished(); });
  // What is taken is the message being written now, no longer held ahead of it.
  budget_->Give(std::exchange(taken_, 0));
  return std::move(result_);
}

ParsedAhead::~ParsedAhead() { budget_->Give(taken_); }

void ParsedAhead::Run() {
  std::function<Fetched()> read;
  {
    std::lock_guard lock(mutex_);
    state_ = State::Running;
    read = std::move(read_);
  }
  std::optional<Result> result;
  std::size_t taken = 0;
  try {
    Fetched fetched = read();
    // Too large to hold beside what is held already: parsed at its turn instead, once what is
    // ahead of it has been written.
    if (budget_->Take(SizeOf(fetched.raw))) {
      taken = SizeOf(fetched.raw);
      result = Result{mail::ParseMessage(std::move(fetched.raw)), fetched.stamp};
    }
  } catch (const Error&) {
    // Read again at the message's turn, which then fails (or not) as it would have anyway.
  }
  read = nullptr;
  {
    std::lock_guard lock(mutex_);
    result_ = std::move(result);
    taken_ = taken;
    state_ = State::Done;
  }
  finished_.notify_all();
}

void ParsedAhead::Drop() {
  {
    std::lock_guard lock(mutex_);
    state_ = State::Dropped;
    read_ = nullptr;
  }
  finished_.notify_all();
}

ReadAhead::ReadAhead(Source source, std::size_t depth, std::size_t bytes)
    : source_(std::move(source)), depth_(depth), budget_(std::make_shared<ByteBudget>(bytes)) {}

ReadAhead::~ReadAhead() {
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
    for (const auto& parsed : queue_) parsed->Drop();
    queue_.clear();
  }
  work_.notify_all();
  for (std::thread& worker : workers_) worker.join();
}

std::shared_ptr<Message> ReadAhead::MessageAt(std::size_t i) {
  while (!waiting_.empty() && waiting_.front().index < i) waiting_.pop_front();
  std::optional<MessageSource> source;
  std::shared_ptr<ParsedAhead> parsed;
  if (!waiting_.empty() && waiting_.front().index == i) {
    source = std::move(waiting_.front().source);
    parsed = std::move(waiting_.front().parsed);
    waiting_.pop_front();
  } else {
    source = source_(i);
  }
  for (next_ = std::max(next_, i + 1); next_ <= i + depth_; ++next_) {
    std::optional<MessageSource> later = source_(next_);
    if (!later) break;
    std::shared_ptr<ParsedAhead> queued = Queue(later->read);
    if (waiting_.size() >= kTakenTogether) {
      waiting_[waiting_.size() - kTakenTogether].parsed->later_ = queued;
    }
    waiting_.push_back({next_, std::move(*later), std::move(queued)});
  }
  return std::make_shared<ParsedMessage>(std::move(source.value()), std::move(parsed));
}

std::shared_ptr<ParsedAhead> ReadAhead::Queue(std::function<Fetched()> read) {
  std::shared_ptr<ParsedAhead> parsed(new ParsedAhead(std::move(read), budget_));
  {
    std::lock_guard lock(mutex_);
    queue_.push_back(parsed);
  }
  work_.notify_one();
  if (workers_.empty()) {
    // Parsing is most of an export's work; the caller's own thread needs far less than a core.
    const std::size_t cores = std::thread::hardware_concurrency();
    const std::size_t count = std::clamp<std::size_t>(cores, 1, 4);
    for (std::size_t n = 0; n < count; ++n) workers_.emplace_back([this] { Work(); });
  }
  return parsed;
}

void ReadAhead::Work() {
  for (;;) {
    std::shared_ptr<ParsedAhead> parsed;
    {
      std::unique_lock lock(mutex_);
      work_.wait(lock, [this] { return stopping_ || !queue_.empty(); });
      if (stopping_) return;
      parsed = std::move(queue_.front());
      queue_.pop_front();
    }
    parsed->Run();
  }
}

}  // namespace store::reading
