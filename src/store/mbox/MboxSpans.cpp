#include "store/mbox/MboxSpans.h"

namespace store::mbox {

void MboxSpans::push_back(MboxScanner::Span span) {
  const std::size_t i = entries_.size();
  if (i % kBlock == 0) bases_.push_back(span.begin);
  const off_t offset = span.begin - bases_.back();
  const off_t length = span.end - span.begin;
  if (offset < 0 || offset >= kAside || length < 0 || length >= kAside) {
    aside_.emplace(i, span);
    entries_.push_back({kAside, 0});
  } else {
    entries_.push_back({static_cast<std::uint32_t>(offset), static_cast<std::uint32_t>(length)});
  }
}

MboxScanner::Span MboxSpans::operator[](std::size_t i) const {
  const Entry entry = entries_[i];
  if (entry.offset == kAside) return aside_.at(i);
  const off_t begin = bases_[i / kBlock] + entry.offset;
  return {begin, begin + entry.length};
}

}  // namespace store::mbox
