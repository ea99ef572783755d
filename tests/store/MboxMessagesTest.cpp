// How an mbox file is cut into messages when lines, or an empty line between messages, lie around
// the end of the scanner's 1 MiB buffer (smaller files are kept under tests/data/mbox), and the
// index of where each message lies.

#include "StoreReading.h"
#include "store/mbox/MboxMessages.h"
#include "store/mbox/MboxSpans.h"

TEST(MboxMessages, MessagesAndLinesAroundTheScanBuffersEndAreCutWhereTheyEnd) {
  struct Row {
    std::string why, bytes;
    Names subjects, bodies;
  };
  const std::size_t kBuffer = 1 << 20;
  auto from = [](char who, const std::string& lineBreak = "\n") {
    return "From " + std::string(1, who) + " Mon Jan  1 00:00:00 2024" + lineBreak;
  };
  std::string big, bigCrLf;
  for (int i = 0; i < 40000; ++i) {
    const std::string line = "line " + std::to_string(i) + std::string(90, '.');
    big += line + "\n";
    bigCrLf += line + "\r\n";
  }
  const std::string head = from('a') + "Subject: long\n\nintro\n", wide(kBuffer, 'x');
  const std::string toTheEnd = wide.substr(head.size());  // of the first buffer
  const std::string longLine(2 * kBuffer, 'b');
  std::vector<Row> rows = {
      {"a message, and a line, longer than the buffer",
       from('a') + "Subject: big\n\n" + big + "\n" + from('b') + "Subject: long line\n\n" +
           longLine + "\n\n" + from('c') + "Subject: small\n\nz\n",
       {"big", "long line", "small"},
       {bigCrLf, longLine + "\r\n", "z\r\n"}},
      {"\"From \" a buffer's length into a line after an empty line is no envelope line",
       head + "\n" + wide + "From the middle\n",
       {"long"},
       {"intro\r\n\r\n" + wide + "From the middle\r\n"}},
      {"a long line ending at the buffer's end is no empty line",
       head + toTheEnd + "\nFrom the next line\n",
       {"long"},
       {"intro\r\n" + toTheEnd + "\r\nFrom the next line\r\n"}},
  };
  // The separating empty line, LF or CR LF, at each offset around the buffer's end.
  for (const std::string lineBreak : {"\n", "\r\n"}) {
    for (int shift = -4; shift <= 4; ++shift) {
      const std::string first =
          from('a', lineBreak) + "Subject: first" + lineBreak + lineBreak + "text" + lineBreak;
      const std::string filler(kBuffer + shift - first.size() - 2 * lineBreak.size(), 'x');
      rows.push_back({"an empty line across the buffer's end, shift " + std::to_string(shift),
                      first + filler + lineBreak + lineBreak + from('b', lineBreak) +
                          "Subject: second" + lineBreak + lineBreak + "z" + lineBreak,
                      {"first", "second"},
                      {"text\r\n" + filler + "\r\n", "z\r\n"}});
    }
  }
  TempHome home;
  for (const Row& row : rows) {
    SCOPED_TRACE(row.why);
    const std::shared_ptr<store::Collection<store::Message>> messages =
        std::make_shared<store::mbox::MboxMessages>(home.Write("box", row.bytes));
    EXPECT_EQ(Subjects(messages), row.subjects);
    EXPECT_TRUE(Each(messages, [](auto& m) { return m->BodyText(); }) == row.bodies)
        << "the bodies differ";
    EXPECT_EQ(messages->Count(), std::ssize(row.subjects));
  }
}

TEST(MboxSpans, EverySpanComesBackAsItWentIn) {
  constexpr off_t kGiB = off_t{1} << 30;
  std::vector<store::mbox::MboxScanner::Span> spans;
  store::mbox::MboxSpans index;
  for (off_t i = 0, at = 0; i < 3000; ++i) {
    // Small messages, with now and then one of several gigabytes, or a gap as large.
    const off_t length = i % 700 == 5 ? 5 * kGiB : 100 + i;
    spans.push_back({at, i == 2999 ? at : at + length});  // the last one empty
    index.push_back(spans.back());
    at += length + (i % 900 == 7 ? 6 * kGiB : 1);
  }
  ASSERT_EQ(index.size(), spans.size());
  for (std::size_t i = 0; i < spans.size(); ++i) {
    EXPECT_EQ(index[i].begin, spans[i].begin) << i;
    EXPECT_EQ(index[i].end, spans[i].end) << i;
  }
}
