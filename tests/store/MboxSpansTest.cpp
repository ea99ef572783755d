// The mbox index keeps every span exactly, however far into the file or however long it is.

#include <gtest/gtest.h>

#include <vector>

#include "store/mbox/MboxSpans.h"

using store::mbox::MboxScanner;
using store::mbox::MboxSpans;

TEST(MboxSpans, EverySpanComesBackAsItWentIn) {
  constexpr off_t kGiB = off_t{1} << 30;
  std::vector<MboxScanner::Span> spans;
  off_t at = 0;
  for (int i = 0; i < 3000; ++i) {
    // Small messages, with now and then one of several gigabytes, or a gap as large.
    const off_t length = i % 700 == 5 ? 5 * kGiB : 100 + i;
    const off_t gap = i % 900 == 7 ? 6 * kGiB : 1;
    spans.push_back({at, at + length});
    at += length + gap;
  }
  spans.push_back({at, at});  // an empty last message

  MboxSpans index;
  for (const auto& span : spans) index.push_back(span);
  ASSERT_EQ(index.size(), spans.size());
  for (std::size_t i = 0; i < spans.size(); ++i) {
    EXPECT_EQ(index[i].begin, spans[i].begin) << i;
    EXPECT_EQ(index[i].end, spans[i].end) << i;
  }
}
