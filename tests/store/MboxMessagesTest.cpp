// How an mbox file is cut into messages.

#include <gtest/gtest.h>

#include "StoreReading.h"
#include "TempHome.h"

using Names = std::vector<std::string>;

namespace {

class MboxMessages : public ::testing::Test {
 protected:
  std::shared_ptr<store::Folder> Mbox(const std::string& bytes) {
    home.Write("Mail/box", bytes);
    return FolderAt("Mail", {"box"});
  }
  Names Bodies(const std::shared_ptr<store::Folder>& folder) {
    Names bodies;
    for (const auto& message : MessagesOf(folder)) {
      bodies.push_back(Field([&] { return message->BodyText(); }));
    }
    return bodies;
  }

  TempHome home;
};

}  // namespace

TEST_F(MboxMessages, AFromLineStartsAMessageOnlyAtTheStartOrAfterAnEmptyLine) {
  auto box = Mbox(
      "From a@example.org Mon Jan  1 00:00:00 2024\nSubject: one\n\nline\n"
      "From the middle of a paragraph\n\n"
      "From b@example.org Tue Jan  2 00:00:00 2024\nSubject: two\n\nlast\n");
  EXPECT_EQ(box->Messages()->Count(), 2);
  EXPECT_EQ(Subjects(box), (Names{"one", "two"}));
  EXPECT_EQ(Bodies(box), (Names{"line\r\nFrom the middle of a paragraph\r\n", "last\r\n"}));
}

TEST_F(MboxMessages, LongEnvelopeLinesStartMessagesToo) {
  const std::string envelope =
      "From a.rather.long.address.of.someone@mail.subdomain.example.org Mon Jan  1 00:00:00 2024";
  auto box = Mbox(envelope + "\nSubject: one\n\nx\n\n" + envelope + "\nSubject: two\n\ny\n");
  EXPECT_EQ(box->Messages()->Count(), 2);
  EXPECT_EQ(Subjects(box), (Names{"one", "two"}));
}

TEST_F(MboxMessages, QuotedFromLinesLoseOneQuoteMark) {
  auto box = Mbox(
      "From a@example.org Mon Jan  1 00:00:00 2024\nSubject: quoting\n\n"
      ">From here\n>>From there\n> From a reply\n>Fromage\n\n");
  EXPECT_EQ(Bodies(box), Names{"From here\r\n>From there\r\n> From a reply\r\n>Fromage\r\n"});
}

TEST_F(MboxMessages, ReadsTheSameAsTheMessageWouldFromAMaildir) {
  const std::string message = Fixture("plain.eml");
  home.Maildir("Maildir");
  home.Write("Maildir/cur/1709645400.a.host:2,S", message);
  auto box = Mbox("From alice@example.org Tue Mar  5 13:30:00 2024\n" + message + "\n");
  auto fromMbox = MessagesOf(box);
  auto fromMaildir = MessagesOf(FolderAt("Maildir", {"Inbox"}));
  ASSERT_EQ(fromMbox.size(), 1u);
  ASSERT_EQ(fromMaildir.size(), 1u);
  EXPECT_EQ(HeadersOf(*fromMbox[0]), HeadersOf(*fromMaildir[0]));
  EXPECT_EQ(fromMbox[0]->BodyText(), fromMaildir[0]->BodyText());
  EXPECT_EQ(fromMbox[0]->MessageDate(), fromMaildir[0]->MessageDate());
}

TEST_F(MboxMessages, MessagesMarkedDeletedByThunderbirdAreLeftOutOfCountAndWalk) {
  auto box = Mbox(
      "From - Mon Jan  1 00:00:00 2024\nX-Mozilla-Status: 0001\nSubject: read\n\nx\n\n"
      "From - Mon Jan  1 00:00:00 2024\nX-Mozilla-Status: 0009\nSubject: deleted\n\nx\n\n"
      "From - Mon Jan  1 00:00:00 2024\nx-mozilla-status:  000b\nSubject: deleted too\n\nx\n\n"
      "From - Mon Jan  1 00:00:00 2024\nSubject: status in the body\n\n"
      "X-Mozilla-Status: 0008\n\n");
  EXPECT_EQ(box->Messages()->Count(), 2);
  EXPECT_EQ(Subjects(box), (Names{"read", "status in the body"}));
}

TEST_F(MboxMessages, CrLfFilesAndFilesWithoutAFinalEmptyLine) {
  auto box = Mbox(
      "From a Mon Jan  1 00:00:00 2024\r\nSubject: one\r\n\r\nfirst\r\n\r\n"
      "From b Mon Jan  1 00:00:00 2024\r\nSubject: two\r\n\r\nsecond\r\nno break at the end");
  EXPECT_EQ(Subjects(box), (Names{"one", "two"}));
  EXPECT_EQ(Bodies(box), (Names{"first\r\n", "second\r\nno break at the end"}));
}

TEST_F(MboxMessages, TextBeforeTheFirstFromLineIsAMessageToo) {
  home.SetEnv("MAIL", home.Write("spool",
                                 "Subject: stray\n\nsaved by hand\n\n"
                                 "From a Mon Jan  1 00:00:00 2024\nSubject: one\n\nx\n"));
  auto spool = FolderAt("Inbox (spool)", {"Inbox"});
  EXPECT_EQ(spool->Messages()->Count(), 2);
  EXPECT_EQ(Subjects(spool), (Names{"stray", "one"}));
}

TEST_F(MboxMessages, AMessageGMimeCannotParseLosesNoneAfterIt) {
  auto box = Mbox(
      "From a Mon Jan  1 00:00:00 2024\nSubject: before\n\nx\n\n"
      "From b Mon Jan  1 00:00:00 2024\n\n\n"
      "From c Mon Jan  1 00:00:00 2024\n\x01\x02 not a header\n\n"
      "From d Mon Jan  1 00:00:00 2024\nContent-Type: multipart/mixed; boundary=\"never\"\n"
      "Subject: unterminated\n\n--never\nContent-Type: text/plain\n\npart\n\n"
      "From e Mon Jan  1 00:00:00 2024\nSubject: after\n\ny\n");
  EXPECT_EQ(box->Messages()->Count(), 5);
  EXPECT_EQ(Subjects(box), (Names{"before", "", "", "unterminated", "after"}));
  EXPECT_EQ(Bodies(box)[2], "\x01\x02 not a header\r\n");
  EXPECT_EQ(Bodies(box)[3], "part\r\n");
}

TEST_F(MboxMessages, EmptyFileHasNoMessages) {
  auto box = Mbox("");
  EXPECT_EQ(box->Messages()->Count(), 0);
  EXPECT_EQ(MessagesOf(box).size(), 0u);
}

TEST_F(MboxMessages, MessagesLongerThanTheScanBufferStayWhole) {
  std::string big, bigWithCrLf;
  for (int i = 0; i < 40000; ++i) {
    std::string line = "line " + std::to_string(i) + std::string(90, '.');
    big += line + "\n";
    bigWithCrLf += line + "\r\n";
  }
  const std::string longLine(2 << 20, 'b');
  auto box = Mbox("From a Mon Jan  1 00:00:00 2024\nSubject: big\n\n" + big + "\n" +
                  "From b Mon Jan  1 00:00:00 2024\nSubject: long line\n\n" + longLine + "\n\n" +
                  "From c Mon Jan  1 00:00:00 2024\nSubject: small\n\nz\n");
  EXPECT_EQ(Subjects(box), (Names{"big", "long line", "small"}));
  auto bodies = Bodies(box);
  ASSERT_EQ(bodies.size(), 3u);
  EXPECT_TRUE(bodies[0] == bigWithCrLf) << "the big body differs";
  EXPECT_TRUE(bodies[1] == longLine + "\r\n") << "the long line differs";
  EXPECT_EQ(bodies[2], "z\r\n");
}

TEST_F(MboxMessages, TheMiddleOfALongLineIsNeverTakenForAnEnvelopeLine) {
  // "From " lies a scan buffer's length into a line that follows an empty line.
  const std::string line = std::string(1 << 20, 'x') + "From the middle\n";
  auto box = Mbox("From a Mon Jan  1 00:00:00 2024\nSubject: long\n\nintro\n\n" + line);
  EXPECT_EQ(box->Messages()->Count(), 1);
  auto bodies = Bodies(box);
  ASSERT_EQ(bodies.size(), 1u);
  EXPECT_TRUE(bodies[0] == "intro\r\n\r\n" + line.substr(0, line.size() - 1) + "\r\n");
}
