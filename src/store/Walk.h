#pragma once

#include <memory>
#include <type_traits>
#include <utility>

#include "store/Step.h"
#include "store/Store.h"

namespace store {

// A walk over a collection. It holds its own reference to the collection, so replacing the
// reference the caller walked from does not disturb it, and it stores each element in turn in
// the loop variable it is given; after it reaches the end the loop variable holds nothing.
//
//   for (Walk w(collection, objFolder); !w.done(); w.Advance()) { ... objFolder ... }
//
// The constructor throws when the walk cannot start, Advance() when it cannot advance.
template <class T>
class Walk {
 public:
  Walk(std::shared_ptr<Collection<std::type_identity_t<T>>> collection, std::shared_ptr<T>& element)
      : collection_(std::move(collection)), element_(element) {
    cursor_ = Use(collection_).Begin();
    Advance();
  }

  bool done() const { return done_; }

  void Advance() {
    std::shared_ptr<T> next;
    done_ = !cursor_->Next(next);
    element_ = std::move(next);
  }

 private:
  std::shared_ptr<Collection<T>> collection_;
  std::unique_ptr<Cursor<T>> cursor_;
  std::shared_ptr<T>& element_;
  bool done_ = false;
};

}  // namespace store
