// Messages that are broken in the ways real mail files are: none is lost, each gives text.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "StoreReading.h"
#include "TempHome.h"

namespace {

class MalformedMessages : public ::testing::Test {
 protected:
  std::shared_ptr<store::Message> Delivered(const std::string& bytes) {
    home.Maildir("Maildir");
    home.Write("Maildir/cur/1710000000.M1P1.host:2,S", bytes);
    auto messages = MessagesOf(FolderAt("Maildir", {"Inbox"}));
    EXPECT_EQ(messages.size(), 1u);
    return messages.empty() ? nullptr : messages[0];
  }
  static std::string Body(store::Message& m) {
    return Field([&] { return m.BodyText(); });
  }

  TempHome home;
};

}  // namespace

TEST_F(MalformedMessages, HeaderlessTextIsAllBody) {
  auto m = Delivered(Fixture("headerless.eml"));
  EXPECT_EQ(Body(*m), "This note was saved without any header.\r\nIts second line.\r\n");
  EXPECT_EQ(HeadersOf(*m), "<absent>");
  EXPECT_EQ(MessageIdOf(*m), "<absent>");
  EXPECT_EQ(Field([&] { return m->Subject(); }), "");
  EXPECT_EQ(Field([&] { return m->MessageDate(); }), "03/09/24 16:00:00");
}

TEST_F(MalformedMessages, MultipartWithoutBoundaryKeepsItsText) {
  auto m = Delivered(Fixture("broken-multipart.eml"));
  EXPECT_EQ(Body(*m),
            "--nowhere\r\nContent-Type: text/plain\r\nContent-Transfer-Encoding: quoted-printable"
            "\r\n\r\nsoft=\r\nbreak =ZZ bad =\r\n");
}

TEST_F(MalformedMessages, EmptyFileIsAnEmptyMessage) {
  auto m = Delivered("");
  EXPECT_EQ(Body(*m), "");
  EXPECT_EQ(HeadersOf(*m), "<absent>");
}

TEST_F(MalformedMessages, NulBytesAndRaw8BitBytesStillGiveUtf8Text) {
  auto m = Delivered(
      std::string("Received: x\nSubject: a\0b \xff\nMessage-ID: <\xe9@x>\n\nbody\0\xfe\n", 53));
  EXPECT_EQ(MessageIdOf(*m), "<é@x>");
  EXPECT_EQ(Body(*m), std::string("body\0þ\r\n", 9));
}

TEST_F(MalformedMessages, LoneCarriageReturnsAndLineFeedsAllBecomeCrLf) {
  auto m = Delivered("Subject: mixed\r\n\r\nold Mac\rUnix\nWindows\r\n\rend\r");
  EXPECT_EQ(Body(*m), "old Mac\r\nUnix\r\nWindows\r\n\r\nend\r\n");
}

TEST_F(MalformedMessages, BrokenBase64AndQuotedPrintableDecodeWhatTheyCan) {
  auto m = Delivered(
      "Content-Type: text/plain; charset=utf-8\nContent-Transfer-Encoding: base64\n\n"
      "SGVsbG8g!!d29y\nbGQ=====\n");
  EXPECT_EQ(Body(*m), "Hello world");
  auto q = Delivered(
      "Content-Type: text/plain; charset=utf-8\nContent-Transfer-Encoding: quoted-printable\n\n"
      "caf=C3=A9 =ZZ end=\n");
  EXPECT_EQ(Body(*q), "café =ZZ end");
}

TEST_F(MalformedMessages, TruncatedMultipartKeepsItsPartsText) {
  auto m = Delivered(
      "Content-Type: multipart/alternative; boundary=b\n\n--b\nContent-Type: text/plain\n\n"
      "cut off here");
  EXPECT_EQ(Body(*m), "cut off here");
}

TEST_F(MalformedMessages, HeaderSectionOfMegabytesIsReadWhole) {
  std::string headers = "Received: from somewhere\n";
  for (int i = 0; i < 40000; ++i)
    headers += "X-Filler-" + std::to_string(i) + ": " + std::string(40, 'x') + "\n";
  auto m = Delivered(headers + "Subject: at the end\n\nbody\n");
  std::string text = HeadersOf(*m);
  EXPECT_GT(text.size(), 2'000'000u);
  EXPECT_TRUE(
      text.ends_with("X-Filler-39999: " + std::string(40, 'x') + "\r\nSubject: at the end\r\n"));
  EXPECT_EQ(Field([&] { return m->Subject(); }), "at the end");
  EXPECT_EQ(Body(*m), "body\r\n");
}

TEST_F(MalformedMessages, HtmlNestedAHundredThousandDeepKeepsItsText) {
  std::string html;
  for (int i = 0; i < 25000; ++i) html += "<div><b><i><font>";
  auto m = Delivered("Content-Type: text/html\n\n<p>top</p>" + html + "deep text\n");
  EXPECT_EQ(Body(*m), "top\r\ndeep text");
}

TEST_F(MalformedMessages, HtmlCannotMakeTheReaderOpenFiles) {
  // A stylesheet link to a FIFO would block a reader that follows it until someone writes.
  const std::string fifo = home / "fifo";
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  auto m =
      Delivered("Content-Type: text/html\n\n<html><head><link rel=\"stylesheet\" href=\"file://" +
                fifo + "\"></head><body><p>text</p><img src=\"" + fifo + "\"></body></html>\n");
  std::atomic<bool> read{false}, rescued{false};
  std::thread watchdog([&] {
    for (int i = 0; i < 50 && !read; ++i)
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
    while (!read) {
      rescued = true;
      int fd = open(fifo.c_str(), O_WRONLY | O_NONBLOCK);
      if (fd >= 0) close(fd);
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
  });
  std::string body = Body(*m);
  read = true;
  watchdog.join();
  EXPECT_FALSE(rescued);
  EXPECT_EQ(body, "text");
}
