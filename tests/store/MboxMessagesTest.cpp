// How an mbox file is cut into messages.

#include <gtest/gtest.h>

#include "StoreReading.h"

namespace {

class MboxMessages : public ::testing::Test {
 protected:
  std::shared_ptr<store::Folder> Mbox(const std::string& bytes) {
    home.Write("Mail/box", bytes);
    return FolderAt("Mail", {"box"});
  }

  TempHome home;
};

}  // namespace

TEST_F(MboxMessages, AFromLineStartsAMessageOnlyAtTheStartOrAfterAnEmptyLine) {
  auto box = Mbox(
      "From a@example.org Mon Jan  1 00:00:00 2024\nSubject: one\n\nline\n"
      "From the middle of a paragraph\n\n"
      // Envelope lines may be long.
      "From a.rather.long.address.of.someone@mail.subdomain.example.org Mon Jan  1 00:00:00 2024\n"
      "Subject: two\n\nlast\n");
  EXPECT_EQ(box->Messages()->Count(), 2);
  EXPECT_EQ(Fields(box), (Names{"one", "two"}));
  EXPECT_EQ(Fields(box, "body"), (Names{"line\r\nFrom the middle of a paragraph\r\n", "last\r\n"}));
}

TEST_F(MboxMessages, CrLfFilesAndFilesWithoutAFinalEmptyLine) {
  auto box = Mbox(
      "From a Mon Jan  1 00:00:00 2024\r\nSubject: one\r\n\r\nfirst\r\n\r\n"
      "From b Mon Jan  1 00:00:00 2024\r\nSubject: two\r\n\r\nsecond\r\nno break at the end");
  EXPECT_EQ(Fields(box), (Names{"one", "two"}));
  EXPECT_EQ(Fields(box, "body"), (Names{"first\r\n", "second\r\nno break at the end"}));
}

TEST_F(MboxMessages, ReadsTheSameAsFromAMaildirWithQuotedFromLinesLosingOneQuoteMark) {
  const std::string message = Fixture("plain.eml");
  auto box = Mbox("From alice@example.org Tue Mar  5 13:30:00 2024\n" + message + "\n" +
                  "From a@example.org Mon Jan  1 00:00:00 2024\nSubject: quoting\n\n"
                  ">From here\n>>From there\n> From a reply\n>Fromage\n\n");
  home.Maildir("Maildir");
  home.Write("Maildir/cur/1709645400.a.host:2,S", message);
  auto inbox = FolderAt("Maildir", {"Inbox"});
  for (const std::string field : {"headers", "body", "date"}) {
    EXPECT_EQ(Fields(box, field).at(0), Fields(inbox, field).at(0)) << field;
  }
  EXPECT_EQ(Fields(box, "body").at(1),
            "From here\r\n>From there\r\n> From a reply\r\n>Fromage\r\n");
}

TEST_F(MboxMessages, TextBeforeTheFirstFromLineIsAMessageToo) {
  home.SetEnv("MAIL", home.Write("spool",
                                 "Subject: stray\n\nsaved by hand\n\n"
                                 "From a Mon Jan  1 00:00:00 2024\nSubject: one\n\nx\n"));
  auto spool = FolderAt("Inbox (spool)", {"Inbox"});
  EXPECT_EQ(spool->Messages()->Count(), 2);
  EXPECT_EQ(Fields(spool), (Names{"stray", "one"}));
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
  EXPECT_EQ(Fields(box), (Names{"before", "", "", "unterminated", "after"}));
  EXPECT_EQ(Fields(box, "body").at(2), "\x01\x02 not a header\r\n");
  EXPECT_EQ(Fields(box, "body").at(3), "part\r\n");
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
  EXPECT_EQ(Fields(box), (Names{"big", "long line", "small"}));
  // Compared without printing megabytes when they differ.
  EXPECT_TRUE(Fields(box, "body") == (Names{bigWithCrLf, longLine + "\r\n", "z\r\n"}));
}

TEST_F(MboxMessages, TheMiddleOfALongLineIsNeverTakenForAnEnvelopeLine) {
  // "From " lies a scan buffer's length into a line that follows an empty line.
  const std::string line = std::string(1 << 20, 'x') + "From the middle";
  auto box = Mbox("From a Mon Jan  1 00:00:00 2024\nSubject: long\n\nintro\n\n" + line + "\n");
  EXPECT_EQ(box->Messages()->Count(), 1);
  EXPECT_TRUE(Fields(box, "body") == Names{"intro\r\n\r\n" + line + "\r\n"});
}

TEST_F(MboxMessages, ALongLineEndingAtTheScanBuffersEndIsNoEmptyLine) {
  // The line break of a body line longer than the rest of the scan buffer opens the next buffer;
  // the "From " line after it follows no empty line.
  const std::string head = "From a Mon Jan  1 00:00:00 2024\nSubject: long\n\nintro\n";
  const std::string line((1 << 20) - head.size(), 'x');
  auto box = Mbox(head + line + "\nFrom the next line\n");
  EXPECT_EQ(box->Messages()->Count(), 1);
  EXPECT_TRUE(Fields(box, "body") == Names{"intro\r\n" + line + "\r\nFrom the next line\r\n"});
}

TEST_F(MboxMessages, AnEmptyLineAcrossTheScanBuffersEndStillSeparatesMessages) {
  // The separating empty line, LF or CR LF, lies at each offset around the end of the first scan
  // buffer in turn.
  for (const std::string breakText : {"\n", "\r\n"}) {
    for (int shift = -4; shift <= 4; ++shift) {
      SCOPED_TRACE(std::to_string(breakText.size()) + "-byte line breaks, shift " +
                   std::to_string(shift));
      const std::string head = "From a Mon Jan  1 00:00:00 2024" + breakText + "Subject: first" +
                               breakText + breakText + "text" + breakText;
      const std::string filler((1 << 20) + shift - head.size() - 2 * breakText.size(), 'x');
      auto box = Mbox(head + filler + breakText + breakText + "From b Mon Jan  1 00:00:00 2024" +
                      breakText + "Subject: second" + breakText + breakText + "z" + breakText);
      EXPECT_EQ(Fields(box), (Names{"first", "second"}));
    }
  }
}
