// Messages that are broken in the ways real mail files are: none is lost, each gives text.

#include <gtest/gtest.h>
#include <sys/inotify.h>
#include <unistd.h>

#include "StoreReading.h"

TEST(MalformedMessages, EachStillGivesWhatTextItHas) {
  const std::string nulAnd8Bit(
      "Received: x\nSubject: a\0b \xff\nMessage-ID: <\xe9@x>\n\nbody\0\xfe\n", 53);
  ExpectFields({
      // No header section at all: no transport headers, no Message-ID, all body.
      {"headerless.eml", "body", "This note was saved without any header.\r\nIts second line.\r\n"},
      {"headerless.eml", "headers", kAbsent},
      {"headerless.eml", "id", kAbsent},
      {"headerless.eml", "subject", ""},
      {"headerless.eml", "date", "03/09/24 16:00:00"},
      {"", "body", ""},
      {"", "headers", kAbsent},
      {"broken-multipart.eml", "body",
       "--nowhere\r\nContent-Type: text/plain\r\nContent-Transfer-Encoding: quoted-printable\r\n"
       "\r\nsoft=\r\nbreak =ZZ bad =\r\n"},
      {"Content-Type: multipart/alternative; boundary=b\n\n--b\nContent-Type: text/plain\n\n"
       "cut off here",
       "body", "cut off here"},
      {nulAnd8Bit, "id", "<é@x>"},
      {nulAnd8Bit, "body", std::string("body\0þ\r\n", 9)},
      {"Subject: mixed\r\n\r\nold Mac\rUnix\nWindows\r\n\rend\r", "body",
       "old Mac\r\nUnix\r\nWindows\r\n\r\nend\r\n"},
      {"Content-Type: text/plain; charset=utf-8\nContent-Transfer-Encoding: base64\n\n"
       "SGVsbG8g!!d29y\nbGQ=====\n",
       "body", "Hello world"},
      {"Content-Type: text/plain; charset=utf-8\nContent-Transfer-Encoding: quoted-printable\n\n"
       "caf=C3=A9 =ZZ end=\n",
       "body", "café =ZZ end"},
      // A byte not valid in the declared charset is lost alone.
      {"Content-Type: text/plain; charset=utf-8\n\nGrüße \xff end\n", "body",
       "Grüße \uFFFD end\r\n"},
      {"Content-Type: text/plain; charset=shift_jis\n\n\x93\xfa\x96\x7b\x8c\xea \xff\x80 "
       "\x93\xfa\n",
       "body", "日本語 \uFFFD\uFFFD 日\r\n"},
      {"Content-Type: text/plain; charset=utf-7\n\nHi +Jjo- ~ann \xe9 +Jjo-\n", "body",
       "Hi ☺ ~ann \uFFFD ☺\r\n"},
      // No empty line after the header section: the body starts at the first line that is
      // neither a field nor a folded line, whatever the line breaks, and that line is kept.
      {"Subject: a\n folded\nfirst line\nsecond: line\n", "body", "first line\r\nsecond: line\r\n"},
      {"Received: x\r\nSubject: b\r\n\tfolded\r\n>From here\r\n\r\nend\r\n", "headers",
       "Received: x\r\nSubject: b\r\n\tfolded\r\n"},
      {"Received: x\r\nSubject: b\r\n\tfolded\r\n>From here\r\n\r\nend\r\n", "body",
       ">From here\r\n\r\nend\r\n"},
      {"From a@example.org Mon Jan  1 00:00:00 2024\nSubject: c\nno break at the end", "body",
       "no break at the end"},
      {"Content-Type: multipart/alternative; boundary=b\nintro\n--b\nContent-Type: text/plain\n\n"
       "plain\n--b\nContent-Type: text/html\n\n<p>html</p>\n--b--\n",
       "body", "plain"},
      // A Content-Type that is no media type means plain US-ASCII text; a real one stays.
      {"Content-Type: text; charset=us-ascii\n\nno subtype\n", "body", "no subtype\r\n"},
      {"Content-Type:\n\nempty\n", "body", "empty\r\n"},
      {"Content-Type: plain; charset=utf-8\n\nGrüße\n", "body", "Grüße\r\n"},
      {"Content-Type: <html>\n\n<p>as written</p>\n", "body", "<p>as written</p>\r\n"},
      {"Content-Type: /plain; charset=koi8-r\n\ncaf\xe9\n", "body", "café\r\n"},
      {"Content-Type: multipart/mixed; boundary=b\n\n--b\nContent-Type: application/octet-stream\n"
       "\nbytes\n--b\nContent-Type: text/\n\nin a part\n--b--\n",
       "body", "in a part"},
  });
}

TEST(MalformedMessages, HeaderSectionOfMegabytesIsReadWhole) {
  std::string headers = "Received: from somewhere\n";
  for (int i = 0; i < 40000; ++i)
    headers += "X-Filler-" + std::to_string(i) + ": " + std::string(40, 'x') + "\n";
  TempHome home;
  auto m = Delivered(home, headers + "Subject: at the end\n\nbody\n");
  std::string text = Read(*m, "headers");
  EXPECT_GT(text.size(), 2'000'000u);
  EXPECT_TRUE(
      text.ends_with("X-Filler-39999: " + std::string(40, 'x') + "\r\nSubject: at the end\r\n"));
  EXPECT_EQ(Read(*m, "subject"), "at the end");
  EXPECT_EQ(Read(*m, "body"), "body\r\n");
}

TEST(MalformedMessages, HtmlNestedAHundredThousandDeepKeepsItsText) {
  std::string html;
  for (int i = 0; i < 25000; ++i) html += "<div><b><i><font>";
  ExpectFields({{"Content-Type: text/html\n\n<p>top</p>" + html + "deep text\n", "body",
                 "top\r\ndeep text"}});
}

TEST(MalformedMessages, HtmlCannotMakeTheReaderOpenFiles) {
  // A stylesheet or image on a FIFO or a device would block a reader that opens it.
  TempHome home;
  const std::string file = home.Write("style.css", "p { color: red }");
  const int watch = inotify_init1(IN_NONBLOCK);
  ASSERT_GE(inotify_add_watch(watch, file.c_str(), IN_OPEN), 0);
  auto m = Delivered(
      home, "Content-Type: text/html\n\n<html><head><link rel=\"stylesheet\" href=\"file://" +
                file + "\"></head><body><p>text</p><img src=\"" + file + "\"></body></html>\n");
  EXPECT_EQ(Read(*m, "body"), "text");
  char event[sizeof(inotify_event) + 256];
  EXPECT_LT(read(watch, event, sizeof event), 0) << "the HTML reader opened " << file;
  close(watch);
}
