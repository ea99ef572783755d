// The short way through simple HTML must give exactly the rich-text document's text: random
// documents of paragraphs, headings, line breaks and blanks of every kind, with near misses mixed
// in, are read both ways. HTML too large for a document is read in one pass, to the document's
// text for the forms mail uses.

#include <gtest/gtest.h>

#include <random>

#include "mail/HtmlText.h"
#include "mail/SimpleHtmlText.h"
#include "mail/StreamedHtmlText.h"

namespace {

struct RandomHtml {
  std::mt19937 random;

  int Between(int low, int high) { return std::uniform_int_distribution<int>(low, high)(random); }
  bool Chance(double p) { return std::uniform_real_distribution<double>(0, 1)(random) < p; }
  std::string Pick(const std::vector<std::string>& choices) {
    return choices[static_cast<std::size_t>(Between(0, static_cast<int>(choices.size()) - 1))];
  }
  std::string Blanks(int least = 0) {
    std::string blanks;
    for (int i = Between(least, 3); i > 0; --i)
      blanks += Pick({" ", "\n", "\r\n", "\t", "\r", "  "});
    return blanks;
  }

  std::string Block() {
    const std::string name = Pick({"p", "p", "p", "h1", "h2", "h6"});
    std::string html = "<" + name + (Chance(0.03) ? " align=center>" : ">");
    for (int i = Between(Chance(0.05) ? 0 : 1, 9); i > 0; --i) {
      const double kind = std::uniform_real_distribution<double>(0, 1)(random);
      if (kind < 0.45) {
        html += Pick({"mail", "caf\u00e9", "\u0395\u03bb\u03bb\u03b7\u03bd\u03b9\u03ba\u03ac",
                      "\u4f1a\u8b70", "\U0001F600", "x=1", "a/b", "\"q\"", "it's", "-", "#"});
      } else if (kind < 0.8) {
        html += Blanks(1);
      } else if (kind < 0.985) {
        html += Chance(0.9) ? "<br>" : Pick({"<br/>", "<BR>"});
      } else {  // near misses, which only the document reads
        html += Pick({"&nbsp;", "&amp;", "&gt;", ">", "\u00a0", "\u2028", "\u3000", "\ufeff",
                      "\u00ad", "\f", "\v", "<b>bold</b>", "<span>s</span>", "<!-- c -->",
                      "<a href=\"x\">link</a>", "\ufffc", "\u200b", "<p>", "\x7f"});
      }
    }
    return html + (Chance(0.03) ? "" : "</" + (Chance(0.02) ? std::string("p") : name) + ">");
  }

  std::string Document() {
    std::string html = Blanks();
    const bool hasHtml = Chance(0.5), hasBody = Chance(0.6);
    if (hasHtml) html += (Chance(0.9) ? "<html>" : Pick({"<HTML>", "<html lang=en>"})) + Blanks();
    if (hasHtml && Chance(0.05)) html += "<head><title>t</title></head>";
    if (hasBody) html += (Chance(0.9) ? "<body>" : "<body bgcolor=white>") + Blanks();
    for (int b = Between(1, 5); b > 0; --b) {
      html += Block();
      html += Chance(0.02) ? Pick({"x", "&amp;", "<br>", "<hr>"}) : Blanks();
    }
    if (hasBody && Chance(0.9)) html += "</body>" + Blanks();
    if (hasHtml && Chance(0.9)) html += "</html>" + Blanks();
    return html + (Chance(0.02) ? "trailing" : "");
  }
};

}  // namespace

TEST(SimpleHtmlText, GivesTheDocumentsTextForEveryDocumentItTakes) {
  RandomHtml random{std::mt19937(20261206)};
  int taken = 0;
  constexpr int kDocuments = 100000;
  for (int i = 0; i < kDocuments; ++i) {
    const std::string html = random.Document();
    if (std::optional<std::string> text = mail::SimpleHtmlText(html)) {
      ++taken;
      ASSERT_EQ(*text, mail::DocumentHtmlText(html)) << "HTML: " << html;
    }
  }
  // Both kinds must be well represented for the comparison to mean anything.
  EXPECT_GT(taken, kDocuments / 10);
  EXPECT_LT(taken, kDocuments * 4 / 5);
}

TEST(SimpleHtmlText, TakesMailsCommonFormsAndReadsThemLikeTheDocument) {
  for (const std::string html :
       {"<html><body><h1>Weekly report</h1><p>first line\nsecond line\n"
        "</p>\n<p>caf\u00e9 na\u00efve</p></body></html>\n",
        "<p>one<br>two <br> three</p>", "  <p>\r\n\tindented  and   spaced\t</p>  "}) {
    EXPECT_EQ(mail::SimpleHtmlText(html).value_or("<not taken>"), mail::DocumentHtmlText(html))
        << html;
  }
}

TEST(StreamedHtmlText, ReadsTheFormsMailUsesAsTheDocumentDoes) {
  for (const std::string html : {
           "<ul><li>one</li><li>two</li></ul><ol><li>x</li></ol>",
           "<p>a &amp; b &lt; &gt; &quot; &nbsp;x &#233; &#xe9; &eacute; &unknown; &copy;</p>",
           "<HEAD><title>T</title><style>p{}</style></head><body><SCRIPT>var x = '</b>';"
           "</script>v</body>",
           "<html><head><title>T</title><BODY>no end to the head</body></html>",
           "<pre>  a\n   b</pre>after", "a<br><br>b", "<br>lead", "<blockquote>q</blockquote><hr>z",
           "<p>  lead   mid  </p>", "x<!-- <p>c</p> -->y", "<span>in</span> <b>b</b><i>i</i>",
           "<h1>H</h1>t", "<div><div>n</div></div>", "<img src=x alt=ALT>w",
           "<a href=\"x>y\" title='>'>link</a> 1", "caf\u00e9\u00a0\u4f1a\u8b70",
           "<p>a</p><p>b</p><table><tr><td>c</td><td>d</td></tr></table>",
       }) {
    EXPECT_EQ(mail::StreamedHtmlText(html), mail::DocumentHtmlText(html)) << html;
  }
  // Where the document's reading has quirks of its own, no text is lost: a "<" that opens no tag
  // is text, and a NUL reference a replacement character, not a NUL in the record.
  EXPECT_EQ(mail::StreamedHtmlText("<div>a</div>text<script>never closed"), "a\ntext");
  EXPECT_EQ(mail::StreamedHtmlText("1 < 2 & 3 &#0;"), "1 < 2 & 3 \uFFFD");
  EXPECT_EQ(mail::StreamedHtmlText("<a title=\"never closed>rest of the mail"), "rest of the mail");
}

// A body with more tags than a document can take in reasonable memory is read in one pass (the
// document would begin this one with an empty line, for the table).
TEST(StreamedHtmlText, TakesTheHtmlTooLargeForADocument) {
  std::string html = "<table>";
  for (int i = 0; i < 40000; ++i) html += "<tr><td>" + std::to_string(i) + "</td></tr>";
  html += "</table>";
  const std::string text = mail::HtmlToPlainText(html);
  EXPECT_EQ(text.substr(0, 4), "0\n1\n");
  EXPECT_EQ(text.size(), text.find("39999") + 5);
}
