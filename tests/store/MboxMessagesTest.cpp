// How an mbox file is cut into messages when lines, or an empty line between messages, lie around
// the end of the scanner's 1 MiB buffer (smaller files are kept under tests/data/mbox), and the
// index of where each message lies. Compressed mbox files of several buffers, in one stream or
// several, and damaged ones.

#include <fstream>
#include <random>
#include <regex>

#include "DataFiles.h"
#include "StoreReading.h"
#include "store/maildir/MaildirMessages.h"
#include "store/mbox/CompressedMboxMessages.h"
#include "store/mbox/MboxMessages.h"
#include "store/mbox/MboxSpans.h"

namespace {

// An mbox file of several MiB: messages of many sizes, one larger than the scanner's buffer, with
// quoted and unquoted "From " lines, CR LF lines, and a message marked deleted.
std::string LargeMbox() {
  const std::vector<std::string> words = {"mail", "from", "the", "of",  "to",      "and",
                                          "in",   "old",  "new", "box", "archive", "line"};
  std::minstd_rand random(1);  // words that compress about as well as mail does
  std::string text;
  for (int i = 0; i < 1000; ++i) {
    const std::string lineBreak = i % 9 == 4 ? "\r\n" : "\n";
    text += "From sender" + std::to_string(i) + " Mon Jan  1 00:00:00 2024" + lineBreak;
    text += "Subject: message " + std::to_string(i) + lineBreak;
    if (i % 50 == 7) text += "X-Mozilla-Status: 0009" + lineBreak;
    text += "Message-ID: <" + std::to_string(i) + "@example.org>" + lineBreak + lineBreak;
    const int lines = i == 300 ? 30000 : (i * 7919) % 300;
    for (int n = 0; n < lines; ++n) {
      text += n % 40 == 3 ? ">From " : n % 40 == 5 ? "From " : "";
      for (int w = n % 9; w >= 0; --w) text += words[random() % words.size()] + " ";
      text += lineBreak;
    }
    text += lineBreak;
  }
  return text;
}

// The fields of every message, as the golden .fields files give them.
Names AllFieldsOf(const std::shared_ptr<store::Collection<store::Message>>& messages) {
  return Each(messages, [](auto& m) { return FieldsText(kFieldNames, AllFields(*m)); });
}

std::shared_ptr<store::Collection<store::Message>> CompressedMbox(const std::string& path) {
  return std::make_shared<store::mbox::CompressedMboxMessages>(
      path, store::mbox::CompressionOf(path).value());
}

}  // namespace

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

TEST(CompressedMbox, GivesWhatTheFileUncompressedGivesInOneStreamOrSeveralOrPadded) {
  TempHome home;
  const std::string text = LargeMbox();
  const std::string plain = home.Write("box", text);
  const Names expected = AllFieldsOf(std::make_shared<store::mbox::MboxMessages>(plain));
  ASSERT_GT(text.size(), 3u << 20);
  // Cut in the middle of a line, so that a message, and a line, go on in the next stream.
  const std::size_t half = text.size() / 2;
  ASSERT_NE(text[half - 1], '\n');
  home.Write("first", text.substr(0, half));
  home.Write("second", text.substr(half));
  for (const std::string suffix : {".gz", ".bz2", ".xz"}) {
    SCOPED_TRACE(suffix);
    const std::string whole = Compressed(plain, home / ("box" + suffix));
    const std::string first = Compressed(home / "first", home / ("first" + suffix));
    const std::string second = Compressed(home / "second", home / ("second" + suffix));
    const std::string joined = home / ("joined" + suffix);
    ASSERT_EQ(std::system(("cat '" + first + "' '" + second + "' > '" + joined + "'").c_str()), 0);
    // Zero bytes after the data, as a tape or disk image leaves them: gzip and xz take them for
    // padding.
    const std::string padded = home / ("padded" + suffix);
    ASSERT_EQ(std::system(("cat '" + whole + "' > '" + padded + "'; head -c 10240 /dev/zero >> '" +
                           padded + "'").c_str()), 0);
    for (const std::string& path : {whole, joined, padded}) {
      if (path == padded && suffix == ".bz2") continue;
      const auto messages = CompressedMbox(path);
      EXPECT_TRUE(AllFieldsOf(messages) == expected) << path << " reads otherwise";
      EXPECT_EQ(messages->Count(), std::ssize(expected)) << path;
    }
  }
}

// A large message is parsed from its file as it goes, only its first bytes read into memory; a
// compressed mbox is read a message at a time into memory. Each reads as the other does.
TEST(CompressedMbox, ALargeMessageReadsFromItsFileAsFromMemory) {
  struct Row {
    std::string why, headers, body;
  };
  std::string attachment, text, longHeader;
  for (int i = 0; i < 4000; ++i) attachment += std::string(76, "AQID"[i % 4]) + "\n";
  for (int i = 0; i < 6000; ++i) text += "line " + std::to_string(i) + " of the text\n";
  for (int i = 0; i < 6000; ++i) longHeader += "Comments: c" + std::to_string(i) + "\n";
  const std::string mixed =
      "MIME-Version: 1.0\nContent-Type: multipart/mixed; boundary=b\n\n--b\n"
      "Content-Type: text/plain; charset=utf-8\n\n" +
      text +
      "--b\nContent-Type: application/octet-stream\nContent-Transfer-Encoding: base64\n"
      "Content-Disposition: attachment; filename=a.bin\n\n" +
      attachment + "--b--\n";
  std::string crlf;
  for (char c : "Subject: crlf\nReceived: from a by b\nX-Spam: no\n\n" + text) {
    if (c == '\n') crlf += '\r';
    if (c) crlf += c;
  }
  const std::vector<Row> rows = {
      {"text and a large attachment", "Subject: mixed\nReceived: from a by b\n", mixed},
      {"a quoted From line far into the body", "Subject: quoted\n\n",
       text + "From here\n>From there\n" + text},
      {"a header section longer than the first read", longHeader + "Subject: long\n\n", text},
      {"no empty line before the body", "Subject: unseparated\n", "-- \n" + text},
      {"no header section", "", text},
      {"CR LF line breaks", "", crlf},
  };
  TempHome home;
  const std::string maildir = home.Maildir("Maildir");
  std::string mbox;
  for (std::size_t i = 0; i < rows.size(); ++i) {
    const std::string message = rows[i].headers + rows[i].body;
    home.Write("Maildir/cur/1700000000.m" + std::to_string(i) + ":2,S", message);
    mbox += "From someone Tue Nov 14 22:13:20 2023\n";
    for (std::size_t at = 0, end; at < message.size(); at = end) {
      end = std::min(message.find('\n', at), message.size() - 1) + 1;
      const std::string line = message.substr(at, end - at);
      mbox += (line.find_first_not_of('>') == line.find("From ") ? ">" : "") + line;
    }
    mbox += "\n";
  }
  const std::string plain = home.Write("box", mbox);
  const Names fromMaildir = AllFieldsOf(std::make_shared<store::maildir::MaildirMessages>(maildir));
  ASSERT_EQ(fromMaildir.size(), rows.size());
  EXPECT_EQ(AllFieldsOf(std::make_shared<store::mbox::MboxMessages>(plain)), fromMaildir);
  EXPECT_EQ(AllFieldsOf(CompressedMbox(Compressed(plain, home / "box.gz"))), fromMaildir);
  for (std::size_t i = 0; i < rows.size(); ++i) {
    SCOPED_TRACE(rows[i].why);
    EXPECT_NE(fromMaildir[i].find("line 5999 of"), std::string::npos);
  }
}

TEST(CompressedMbox, ADamagedFileGivesTheMessagesBeforeTheDamageThenOneThatSaysWhere) {
  struct Row {
    std::string file;
    bool cut;  // else bytes in its middle are changed
  };
  const std::vector<Row> rows = {
      {"cut.xz", true}, {"cut.gz", true}, {"flipped.gz", false}, {"flipped.bz2", false}};
  TempHome home;
  const std::string plain = home.Write("box", LargeMbox());
  const Names expected = AllFieldsOf(std::make_shared<store::mbox::MboxMessages>(plain));
  for (const Row& row : rows) {
    SCOPED_TRACE(row.file);
    const std::string path = Compressed(plain, home / row.file);
    const auto size = std::filesystem::file_size(path);
    if (row.cut) {
      std::filesystem::resize_file(path, size / 2);
    } else {
      std::fstream file(path, std::ios::in | std::ios::out | std::ios::binary);
      file.seekp(static_cast<std::streamoff>(size / 2));
      file.write(std::string(16, '\xff').data(), 16);
    }
    const auto messages = CompressedMbox(path);
    Names read = AllFieldsOf(messages);
    ASSERT_GE(read.size(), 2u) << read.back();
    const std::string damaged = read.back();
    read.pop_back();
    EXPECT_LT(read.size(), expected.size());
    EXPECT_TRUE(std::equal(read.begin(), read.end(), expected.begin()))
        << "the messages before the damage read as they are";
    const std::string reason = "<unreadable: " + path + " is damaged after [0-9]+ bytes: [^>]+>";
    EXPECT_TRUE(std::regex_match(damaged, std::regex("(\\w+: " + reason + "\n)+"))) << damaged;
    EXPECT_EQ(messages->Count(), std::ssize(read) + 1);
  }
}
