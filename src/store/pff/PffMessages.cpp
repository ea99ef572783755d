#include "store/pff/PffMessages.h"

#include <algorithm>

#include "store/pff/PffMessage.h"
#include "store/pff/ReaderProcess.h"

namespace store::pff {

PffMessages::PffMessages(std::shared_ptr<PffSource> source, std::vector<int> place)
    : source_(std::move(source)), place_(std::move(place)) {
  const wire::Frame listed = source_->Ask({"mail", wire::Numbers(place_)});
  indexes_ = std::make_shared<const std::vector<int>>(
      wire::NumbersOf(listed.size() > 1 ? listed[1] : std::nullopt));
}

class PffMessages::MessageCursor : public Cursor<Message> {
 public:
  MessageCursor(std::string path, std::vector<int> place,
                std::shared_ptr<const std::vector<int>> indexes)
      : path_(std::move(path)), place_(std::move(place)), indexes_(std::move(indexes)) {}

  bool Next(std::shared_ptr<Message>& element) override {
    if (next_ == indexes_->size()) return false;
    element = Read();
    ++next_;
    return true;
  }

 private:
  std::shared_ptr<Message> Read() {
    try {
      if (!reader_ || reader_->ended()) {
        reader_.reset();
        requested_ = next_;
        reader_ = std::make_unique<ReaderProcess>(path_);
      }
      // Keeps the reader a batch or so ahead of the walk, so memory never grows with the folder.
      if (requested_ - next_ <= kAhead / 2 && requested_ < indexes_->size()) {
        const std::size_t end = std::min(indexes_->size(), requested_ + kAhead);
        reader_->Send({"read", wire::Numbers(place_),
                       wire::Numbers({indexes_->begin() + static_cast<long>(requested_),
                                      indexes_->begin() + static_cast<long>(end)})});
        requested_ = end;
      }
      return std::make_shared<PffMessage>(reader_->Receive());
    } catch (const Error& error) {
      // A reader still running has said why itself; for one that ended, say it of the message.
      if (reader_ && !reader_->ended()) return std::make_shared<PffMessage>(error);
      return std::make_shared<PffMessage>(
          Error::Unreadable("the message could not be read: " + std::string(error.what())));
    }
  }

  static constexpr std::size_t kAhead = 16;
  std::string path_;
  std::vector<int> place_;
  std::shared_ptr<const std::vector<int>> indexes_;
  std::size_t next_ = 0;
  std::size_t requested_ = 0;              // of the reader: the messages before it
  std::unique_ptr<ReaderProcess> reader_;  // streaming the messages from next_ on
};

std::unique_ptr<Cursor<Message>> PffMessages::Begin() {
  return std::make_unique<MessageCursor>(source_->path(), place_, indexes_);
}

}  // namespace store::pff
