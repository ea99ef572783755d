// Reading the mail client's prefs.js: every literal form it writes, and junk that must neither
// crash the reader nor cost the statements around it.

#include <gtest/gtest.h>

#include <string>

#include "discovery/PrefsFile.h"

using discovery::ParsePrefs;
using discovery::Prefs;
using discovery::PrefValue;

namespace {

struct Case {
  const char* what;
  std::string text;
  Prefs expected;
};

class PrefsText : public testing::TestWithParam<Case> {};

TEST_P(PrefsText, ReadsAsExpected) {
  EXPECT_EQ(ParsePrefs(GetParam().text), GetParam().expected) << GetParam().what;
}

INSTANTIATE_TEST_SUITE_P(
    Literals, PrefsText,
    testing::Values(Case{"every kind of value",
                         "// Mozilla User Preferences\n"
                         "user_pref(\"mail.server.server1.hostname\", \"imap.example.org\");\n"
                         "user_pref(\"mail.server.server1.port\", 993);\n"
                         "user_pref(\"mail.server.server1.port.minus\", -1);\n"
                         "user_pref(\"mail.server.server1.check_new_mail\", true);\n"
                         "user_pref(\"mail.server.server1.login_at_startup\", false);\n",
                         {{"mail.server.server1.hostname", "imap.example.org"},
                          {"mail.server.server1.port", 993LL},
                          {"mail.server.server1.port.minus", -1LL},
                          {"mail.server.server1.check_new_mail", true},
                          {"mail.server.server1.login_at_startup", false}}},
                    Case{"escapes in double and single quotes",
                         R"(user_pref("q", "say \"hi\" \\ back");)"
                         R"(user_pref('s', 'it\'s');)"
                         R"(user_pref("c", "a\nb\tc\rd");)"
                         R"(user_pref("x", "\x41\x7e\xe9");)"
                         R"(user_pref("u", "\u00e9\u20AC");)"
                         R"(user_pref("pair", "\ud83d\ude00");)"
                         R"(user_pref("lone", "\ud83dx\ude00");)"
                         R"(user_pref("other", "\q");)",
                         {{"q", "say \"hi\" \\ back"},
                          {"s", "it's"},
                          {"c", "a\nb\tc\rd"},
                          {"x", "A~\u00e9"},
                          {"u", "\u00e9\u20ac"},
                          {"pair", "\U0001F600"},
                          {"lone", "\uFFFDx\uFFFD"},
                          {"other", "q"}}},
                    Case{"comments of three kinds, and a ; and // inside strings",
                         "# hash\n/* block\nuser_pref(\"hidden\", 1);\n*/\n"
                         "user_pref(\"a\", \"x; y // z\"); // trailing\n"
                         "pref(\"b\", 2);\nsticky_pref(\"c\", 3);\n"
                         "user_pref(\"d\", 4, locked);",
                         {{"a", "x; y // z"}, {"b", 2LL}, {"c", 3LL}, {"d", 4LL}}},
                    Case{"statements over several lines, and the later of two wins",
                         "user_pref(\n  \"a\",\n  1\n);\nuser_pref(\"a\", 2);",
                         {{"a", 2LL}}},
                    Case{"UTF-8 text is kept as it is",
                         "user_pref(\"name\", \"Bj\xC3\xB6rk \xE2\x9C\x89\");",
                         {{"name", "Bj\xC3\xB6rk \xE2\x9C\x89"}}}));

INSTANTIATE_TEST_SUITE_P(
    Junk, PrefsText,
    testing::Values(Case{"a junk line without ; costs only itself",
                         "this is not a statement\nuser_pref(\"kept\", 1);",
                         {{"kept", 1LL}}},
                    Case{
                        "statements with missing or wrong parts are skipped, their neighbours kept",
                        "user_pref(\"a\", );user_pref(\"b\" 1);user_pref(\"c\", 1;user_pref(b, 1);"
                        "user_pref(\"d\", maybe);user_pref(\"e\", - \"x\");user_pref(\"f\", 1)"
                        "user_pref(\"g\", 7);;;user_pref(\"h\", +8);",
                        {{"g", 7LL}, {"h", 8LL}}},
                    Case{"a number too large for any preference",
                         "user_pref(\"big\", 99999999999999999999999);user_pref(\"ok\", 1);",
                         {{"ok", 1LL}}},
                    Case{"broken escapes",
                         R"(user_pref("a", "\x4");user_pref("b", "\uZZZZ");user_pref("c", "\u12");)"
                         R"(user_pref("ok", "\\");)",
                         {{"ok", "\\"}}},
                    Case{"binary bytes and NULs",
                         std::string("\0\xFF\x01", 3) + "user_pref(\"a\", \"" +
                             std::string(1, '\0') + "\");\xFE",
                         {{"a", std::string(1, '\0')}}},
                    Case{"an unclosed string costs only its own line",
                         "user_pref(\"a\", \"never closed);\nuser_pref(\"b\", \"kept\");",
                         {{"b", "kept"}}},
                    Case{"an unterminated string at the end of the file",
                         "user_pref(\"a\", 1);user_pref(\"b\", \"never closed);",
                         {{"a", 1LL}}},
                    Case{"an unterminated block comment",
                         "user_pref(\"a\", 1);/* user_pref(\"b\", 2);",
                         {{"a", 1LL}}}));

// A file cut short anywhere, as by a full disk, keeps every statement before the cut.
TEST(PrefsFile, ATruncatedFileKeepsEveryCompleteStatementBeforeTheCut) {
  const std::string text =
      "user_pref(\"a\", \"\\u00e9\\\"x\");\n/* c */ user_pref(\"b\", -12);\n"
      "# c\nuser_pref('c', true);\nuser_pref(\"d\", \"\\ud83d\\ude00\");\n";
  const Prefs whole = ParsePrefs(text);
  ASSERT_EQ(whole.size(), 4u);
  for (size_t cut = 0; cut <= text.size(); ++cut) {
    const Prefs part = ParsePrefs(std::string_view(text).substr(0, cut));
    for (const auto& [name, value] : part) EXPECT_EQ(whole.at(name), value) << "cut at " << cut;
    const size_t complete = text.substr(0, cut).rfind(");");
    if (complete != std::string::npos) {
      const size_t statements = ParsePrefs(text.substr(0, complete + 2)).size();
      EXPECT_EQ(part.size(), statements) << "cut at " << cut;
    }
  }
}

}  // namespace
