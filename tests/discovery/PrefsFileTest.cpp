// Reading the mail client's prefs.js: each NAME.js under tests/data/prefs must set what
// NAME.expected lists, one "name = value" a line in name order, text quoted with its control
// characters as \xHH. They hold every literal form the client writes, and junk that must neither
// crash the reader nor cost the statements around it.

#include <cstdio>

#include "DataFiles.h"
#include "discovery/PrefsFile.h"

using discovery::ParsePrefs;
using discovery::Prefs;

namespace {

std::string Listed(const Prefs& prefs) {
  std::string out;
  for (const auto& [name, value] : prefs) {
    out += name + " = ";
    if (const auto* text = std::get_if<std::string>(&value)) {
      out += '"';
      for (const char c : *text) {
        char hex[8];
        std::snprintf(hex, sizeof hex, "\\x%02x", static_cast<unsigned char>(c));
        out += static_cast<unsigned char>(c) < 0x20 ? std::string(hex) : std::string(1, c);
      }
      out += "\"\n";
    } else if (const auto* truth = std::get_if<bool>(&value)) {
      out += *truth ? "true\n" : "false\n";
    } else {
      out += std::to_string(std::get<long long>(value)) + "\n";
    }
  }
  return out;
}

class PrefsText : public testing::TestWithParam<std::string> {};

TEST_P(PrefsText, SetsWhatItsListingSays) {
  const std::string file = "prefs/" + GetParam();
  EXPECT_EQ(Listed(ParsePrefs(DataFile(file + ".js"))), DataFile(file + ".expected"));
}

INSTANTIATE_TEST_SUITE_P(Files, PrefsText,
                         testing::ValuesIn(DataNames("prefs", ".js")),
                         DataTestName);

// A file cut short anywhere, as by a full disk, keeps every statement before the cut.
TEST(PrefsFile, ATruncatedFileKeepsEveryCompleteStatementBeforeTheCut) {
  const std::string text = DataFile("prefs/cut-anywhere.js");
  const Prefs whole = ParsePrefs(text);
  ASSERT_EQ(whole.size(), 4u);
  for (size_t cut = 0; cut <= text.size(); ++cut) {
    const Prefs part = ParsePrefs(std::string_view(text).substr(0, cut));
    for (const auto& [name, value] : part) EXPECT_EQ(whole.at(name), value) << "cut at " << cut;
    const size_t complete = text.substr(0, cut).rfind(");");
    if (complete != std::string::npos) {
      EXPECT_EQ(part.size(), ParsePrefs(text.substr(0, complete + 2)).size()) << "cut at " << cut;
    }
  }
}

}  // namespace
