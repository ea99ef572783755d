// The export file is written in the locale's character set: what the set can show is kept, any
// other character becomes one "?". The window's captions show the text as it is.

#include <langinfo.h>
#include <unistd.h>

#include "ExportTesting.h"

namespace {

// A Latin-1 locale: the system's, or else one generated for the tests into the build tree.
bool UseLatin1Locale() {
  const std::string name = "fr_FR.ISO-8859-1";
  if (setlocale(LC_CTYPE, name.c_str())) return true;
  const auto locales = std::filesystem::path(ORVANE_BINARY_DIR) / "test-locales";
  if (!std::filesystem::exists(locales / name / "LC_CTYPE")) {
    // Built aside and renamed into place, so a test running alongside never sees half of it.
    const auto scratch = locales / ("building-" + std::to_string(getpid()));
    std::filesystem::create_directories(scratch);
    const std::string command =
        "localedef -i fr_FR -f ISO-8859-1 '" + (scratch / name).string() + "' >/dev/null 2>&1";
    [[maybe_unused]] const int status = std::system(command.c_str());  // warnings are no matter
    std::error_code ignored;
    std::filesystem::rename(scratch / name, locales / name, ignored);
    std::filesystem::remove_all(scratch, ignored);
  }
  setenv("LOCPATH", locales.c_str(), 1);
  const bool set = setlocale(LC_CTYPE, name.c_str()) != nullptr;
  unsetenv("LOCPATH");
  return set && std::string(nl_langinfo(CODESET)) == "ISO-8859-1";
}

std::string Repeat(const std::string& piece, int times) {
  std::string text;
  for (int i = 0; i < times; ++i) text += piece;
  return text;
}

using Charset = exporttest::ExportTest;

}  // namespace

TEST_F(Charset, EachLocaleKeepsWhatItsSetCanShowAndWritesOneQuestionMarkForAnyOtherCharacter) {
  const std::string greek = "Καλημέρα 日本語 café", broken = "ok\xFF\xC3(end";
  const std::string brokenShown = "ok?\?(end";
  // 4 MB in UTF-8: characters straddle every flush, in runs the locale can and cannot show
  const std::string longText = Repeat("日本語é", 300000) + Repeat("café ", 100000);
  const struct {
    const char* locale;
    std::string text, written;
  } cases[] = {
      {"C.UTF-8", greek, greek},
      {"Latin-1", greek, "???????? ??? caf\xE9"},
      {"C", greek, "???????? ??? caf?"},
      {"C.UTF-8", broken, brokenShown},  // no UTF-8: one "?" a byte
      {"Latin-1", broken, brokenShown},
      {"C.UTF-8", longText, longText},
      {"Latin-1", longText, Repeat("???\xE9", 300000) + Repeat("caf\xE9 ", 100000)},
  };
  for (const auto& [locale, text, written] : cases) {
    SCOPED_TRACE(locale + (" " + text.substr(0, 20)));
    ASSERT_TRUE(locale == std::string("Latin-1") ? UseLatin1Locale()
                                                 : setlocale(LC_CTYPE, locale) != nullptr);
    folder = std::make_shared<scripted::ScriptedFolder>("Inbox", "Inbox", log);
    folder->AddMessage(text, text);
    view.atEvents.clear();
    Export();
    EXPECT_EQ(FileBytes(), exporttest::TransportRecord(written, written));
    EXPECT_EQ(view.atEvents.at(0), "1 | " + text + " | None | 1/1");
  }
}
