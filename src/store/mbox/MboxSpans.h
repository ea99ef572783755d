#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <map>
#include <vector>

#include "store/mbox/MboxScanner.h"

namespace store::mbox {

// Where each message of an mbox file lies, in order, in 8 bytes a message rather than 16: a large
// folder's index is most of what an export keeps for it. Offsets count from the first message of
// each block of messages; a span too far from it, or too long, is kept whole on the side.
class MboxSpans {
 public:
  void push_back(MboxScanner::Span span);
  MboxScanner::Span operator[](std::size_t i) const;
  std::size_t size() const { return entries_.size(); }

 private:
  static constexpr std::size_t kBlock = 1024;
  static constexpr std::uint32_t kAside = UINT32_MAX;

  struct Entry {
    std::uint32_t offset;  // from the block's base; kAside when the span is kept aside
    std::uint32_t length;
  };

  // Grows in blocks: a vector would briefly hold its old and new copy when it grows.
  std::deque<Entry> entries_;
  std::vector<off_t> bases_;  // the first span's begin, for each block
  std::map<std::size_t, MboxScanner::Span> aside_;
};

}  // namespace store::mbox
