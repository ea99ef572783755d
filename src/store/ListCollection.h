#pragma once

#include <memory>
#include <utility>
#include <vector>

#include "store/Store.h"

namespace store {

// A collection whose elements are all known when it is made (stores, folders).
template <class T>
class ListCollection : public Collection<T> {
 public:
  explicit ListCollection(std::vector<std::shared_ptr<T>> elements)
      : elements_(std::make_shared<const std::vector<std::shared_ptr<T>>>(std::move(elements))) {}

  long Count() override { return static_cast<long>(elements_->size()); }

  std::unique_ptr<Cursor<T>> Begin() override { return std::make_unique<ListCursor>(elements_); }

 private:
  using Elements = std::shared_ptr<const std::vector<std::shared_ptr<T>>>;

  class ListCursor : public Cursor<T> {
   public:
    explicit ListCursor(Elements elements) : elements_(std::move(elements)) {}
    bool Next(std::shared_ptr<T>& element) override {
      if (next_ == elements_->size()) return false;
      element = (*elements_)[next_++];
      return true;
    }

   private:
    Elements elements_;
    std::size_t next_ = 0;
  };

  Elements elements_;
};

// The messages of a folder that holds only other folders.
inline std::shared_ptr<Collection<Message>> NoMessages() {
  return std::make_shared<ListCollection<Message>>(std::vector<std::shared_ptr<Message>>{});
}

}  // namespace store
