#pragma once

#include <cstddef>
#include <memory>
#include <optional>

#include "store/Store.h"
#include "store/reading/ParsedMessage.h"
#include "store/reading/ReadAhead.h"

namespace store::reading {

// A walk over the messages of a listing taken once, as a maildir's or an MH folder's files are:
// the messages in the listing's order, the next few read ahead on worker threads. `Listing` gives
// size() and SourceAt(i), how to read message i.
template <class Listing>
class ListedCursor : public Cursor<Message> {
 public:
  explicit ListedCursor(std::shared_ptr<const Listing> listing)
      : listing_(std::move(listing)),
        ahead_(
            [listing = listing_](std::size_t i) -> std::optional<MessageSource> {
              if (i >= listing->size()) return std::nullopt;
              return listing->SourceAt(i);
            },
            kReadAhead) {}

  bool Next(std::shared_ptr<Message>& element) override {
    if (next_ == listing_->size()) return false;
    element = ahead_.MessageAt(next_++);
    return true;
  }

 private:
  std::shared_ptr<const Listing> listing_;
  ReadAhead ahead_;
  std::size_t next_ = 0;
};

}  // namespace store::reading
