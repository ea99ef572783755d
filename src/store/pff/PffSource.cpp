#include "store/pff/PffSource.h"

namespace store::pff {

wire::Frame PffSource::Ask(const wire::Frame& request) {
  std::lock_guard hold(lock_);
  if (!reader_ || reader_->ended()) {
    reader_.reset();
    reader_ = std::make_unique<ReaderProcess>(path_);
  }
  return reader_->Ask(request);
}

}  // namespace store::pff
