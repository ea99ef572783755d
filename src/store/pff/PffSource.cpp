#include "store/pff/PffSource.h"

#include "store/Error.h"

namespace store::pff {

wire::Frame PffSource::Ask(const wire::Frame& request) {
  const std::shared_ptr<PffSource> keep = shared_from_this();  // what runs while waiting may let go
  if (asking_.load() == std::this_thread::get_id())
    throw Error::Unreadable("the file is being read for another request");
  std::lock_guard hold(lock_);
  asking_ = std::this_thread::get_id();
  struct Done {
    std::atomic<std::thread::id>& asking;
    ~Done() { asking = std::thread::id(); }
  } done{asking_};
  if (!reader_ || reader_->ended()) {
    reader_.reset();
    reader_ = std::make_unique<ReaderProcess>(path_);
  }
  return reader_->Ask(request);
}

}  // namespace store::pff
