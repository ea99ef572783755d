// The export file is written in the locale's character set: what the set can show is kept, any
// other character becomes one "?". The window's captions show the text as it is.

#include <langinfo.h>

#include "ExportTesting.h"

using exporttest::TransportRecord;

namespace {

const std::string kText = "Καλημέρα 日本語 café";

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

class Charset : public exporttest::ExportTest {
 protected:
  std::string ExportOne(const std::string& text) {
    folder = std::make_shared<scripted::ScriptedFolder>("Inbox", "Inbox", log);
    folder->AddMessage(text, text);
    Export();
    return FileBytes();
  }
  static std::string Repeat(const std::string& piece, int times) {
    std::string text;
    for (int i = 0; i < times; ++i) text += piece;
    return text;
  }
};

}  // namespace

TEST_F(Charset, UnderUtf8GreekAndJapaneseRoundTrip) {
  EXPECT_EQ(ExportOne(kText), TransportRecord(kText, kText));
  EXPECT_EQ(view.atEvents.at(0), "1 | " + kText + " | None | 1/1");
}

TEST_F(Charset, UnderLatin1GreekAndJapaneseBecomeQuestionMarksAndAnAccentOneByte) {
  ASSERT_TRUE(UseLatin1Locale());
  const std::string latin1 = "???????? ??? caf\xE9";
  EXPECT_EQ(ExportOne(kText), TransportRecord(latin1, latin1));
  EXPECT_EQ(view.atEvents.at(0), "1 | " + kText + " | None | 1/1");
}

TEST_F(Charset, UnderTheCLocaleEveryNonAsciiCharacterBecomesAQuestionMark) {
  ASSERT_NE(setlocale(LC_CTYPE, "C"), nullptr);
  const std::string ascii = "???????? ??? caf?";
  EXPECT_EQ(ExportOne(kText), TransportRecord(ascii, ascii));
}

TEST_F(Charset, BytesThatAreNoUtf8BecomeOneQuestionMarkEachAndNulIsKept) {
  const std::string broken("ok\xFF\xC3(\0end", 9);
  const std::string shown = std::string("ok?") + "?(" + std::string("\0end", 4);
  EXPECT_EQ(ExportOne(broken), TransportRecord(shown, shown));
  ASSERT_TRUE(UseLatin1Locale());
  EXPECT_EQ(ExportOne(broken), TransportRecord(shown, shown));
}

TEST_F(Charset, LinesLongerThanTheWriteBufferKeepEveryCharacterWhole) {
  // 4 MB in UTF-8: characters straddle every flush, in runs the locale can and cannot show
  const std::string text = Repeat("日本語é", 300000) + Repeat("café ", 100000);
  EXPECT_EQ(ExportOne(text), TransportRecord(text, text));
  ASSERT_TRUE(UseLatin1Locale());
  const std::string latin1 = Repeat("???\xE9", 300000) + Repeat("caf\xE9 ", 100000);
  EXPECT_EQ(ExportOne(text), TransportRecord(latin1, latin1));
}
