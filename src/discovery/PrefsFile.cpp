#include "discovery/PrefsFile.h"

#include <charconv>
#include <optional>

#include "discovery/ConfigFile.h"
#include "mail/Charset.h"

namespace discovery {
namespace {

bool IsWordChar(char c, bool first) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_' ||
         (!first && c >= '0' && c <= '9');
}

// Reads the statements of a prefs file token by token: words, string and number literals and
// single punctuation characters, with //, # and /* */ comments skipped.
class PrefsParser {
 public:
  explicit PrefsParser(std::string_view text) : text_(text) {}

  Prefs Parse() {
    Prefs prefs;
    while (Peek().kind != Kind::End) {
      if (!Statement(prefs)) SkipStatement();
    }
    return prefs;
  }

 private:
  enum class Kind { End, Word, String, Number, Punct, Bad };
  struct Token {
    Kind kind = Kind::End;
    std::string text;  // a word, or a string's value
    long long number = 0;
    char punct = 0;
  };

  // name ( "key" , value [, attributes ...] ) ;
  bool Statement(Prefs& prefs) {
    if (!IsStatementWord(Take())) return false;
    if (!TakePunct('(')) return false;
    Token key = Take();
    if (key.kind != Kind::String || !TakePunct(',')) return false;
    std::optional<PrefValue> value = Value();
    if (!value) return false;
    while (Peek().kind == Kind::Punct && Peek().punct == ',') {
      Take();
      if (Take().kind != Kind::Word) return false;  // sticky, locked
    }
    if (!TakePunct(')') || !TakePunct(';')) return false;
    prefs[key.text] = std::move(*value);
    return true;
  }

  std::optional<PrefValue> Value() {
    Token token = Take();
    bool negative = false;
    if (token.kind == Kind::Punct && (token.punct == '-' || token.punct == '+')) {
      negative = token.punct == '-';
      token = Take();
      if (token.kind != Kind::Number) return std::nullopt;
    }
    switch (token.kind) {
      case Kind::String:
        return PrefValue(std::move(token.text));
      case Kind::Number:
        return PrefValue(negative ? -token.number : token.number);
      case Kind::Word:
        if (token.text == "true") return PrefValue(true);
        if (token.text == "false") return PrefValue(false);
        return std::nullopt;
      default:
        return std::nullopt;
    }
  }

  // Takes the punctuation `c`; anything else is left for the next statement to start with.
  bool TakePunct(char c) {
    if (Peek().kind != Kind::Punct || Peek().punct != c) return false;
    Take();
    return true;
  }

  static bool IsStatementWord(const Token& token) {
    return token.kind == Kind::Word &&
           (token.text == "user_pref" || token.text == "pref" || token.text == "sticky_pref");
  }

  // After a statement that cannot be read: on past its ';', or up to the next statement when a
  // junk line has no ';', so that the next one is read afresh.
  void SkipStatement() {
    while (!tookSemicolon_ && Peek().kind != Kind::End && !IsStatementWord(Peek())) Take();
  }

  const Token& Peek() {
    if (!peeked_) peeked_ = Lex();
    return *peeked_;
  }

  Token Take() {
    Peek();
    Token token = std::move(*peeked_);
    peeked_.reset();
    tookSemicolon_ = token.kind == Kind::Punct && token.punct == ';';
    return token;
  }

  Token Lex() {
    SkipSpaceAndComments();
    Token token;
    if (at_ >= text_.size()) return token;
    const char c = text_[at_];
    if (c == '"' || c == '\'') {
      ++at_;
      token.kind = ReadString(c, token.text) ? Kind::String : Kind::Bad;
    } else if (c >= '0' && c <= '9') {
      size_t end = at_;
      while (end < text_.size() && text_[end] >= '0' && text_[end] <= '9') ++end;
      auto [rest, error] = std::from_chars(text_.data() + at_, text_.data() + end, token.number);
      token.kind = error == std::errc() ? Kind::Number : Kind::Bad;
      at_ = end;
    } else if (IsWordChar(c, true)) {
      size_t end = at_;
      while (end < text_.size() && IsWordChar(text_[end], false)) ++end;
      token.kind = Kind::Word;
      token.text = text_.substr(at_, end - at_);
      at_ = end;
    } else {
      token.kind = Kind::Punct;
      token.punct = c;
      ++at_;
    }
    return token;
  }

  void SkipSpaceAndComments() {
    while (at_ < text_.size()) {
      const char c = text_[at_];
      if (c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == '\v') {
        ++at_;
      } else if (c == '#' || text_.substr(at_, 2) == "//") {
        size_t end = text_.find('\n', at_);
        at_ = end == std::string_view::npos ? text_.size() : end + 1;
      } else if (text_.substr(at_, 2) == "/*") {
        size_t end = text_.find("*/", at_ + 2);
        at_ = end == std::string_view::npos ? text_.size() : end + 2;
      } else {
        return;
      }
    }
  }

  // The rest of a string literal opened by `quote`, with its escapes resolved; false when it is
  // not closed on its line or holds a broken escape. A broken escape is read on to the closing
  // quote, so that the next token starts where it should.
  bool ReadString(char quote, std::string& out) {
    bool broken = false;
    while (at_ < text_.size()) {
      const char c = text_[at_++];
      if (c == quote) return !broken;
      // The client writes a line break in a value as \n; a raw one means the quote was never
      // closed, and the next line is read afresh rather than as the string's rest.
      if (c == '\n') {
        --at_;
        return false;
      }
      if (c != '\\') {
        out += c;
        continue;
      }
      if (at_ >= text_.size()) return false;
      const char e = text_[at_++];
      std::optional<char32_t> escaped;
      switch (e) {
        case 'n':
          escaped = U'\n';
          break;
        case 'r':
          escaped = U'\r';
          break;
        case 't':
          escaped = U'\t';
          break;
        case 'x':
          escaped = Hex(2);
          break;
        case 'u':
          escaped = CodeUnit();
          break;
        default:  // \\, \", \' and any other character stand for themselves
          out += e;
          continue;
      }
      if (escaped) {
        mail::AppendUtf8(*escaped, out);
      } else {
        broken = true;
      }
    }
    return false;
  }

  // The character of a \uXXXX escape, joined with a following low surrogate escape; a surrogate
  // without its other half becomes U+FFFD.
  std::optional<char32_t> CodeUnit() {
    std::optional<char32_t> unit = Hex(4);
    if (!unit) return std::nullopt;
    if (*unit >= 0xDC00 && *unit <= 0xDFFF) return U'\uFFFD';
    if (*unit < 0xD800 || *unit > 0xDBFF) return unit;
    if (text_.substr(at_, 2) != "\\u") return U'\uFFFD';
    const size_t after = at_;
    at_ += 2;
    std::optional<char32_t> low = Hex(4);
    if (!low || *low < 0xDC00 || *low > 0xDFFF) {
      at_ = after;  // read it as an escape of its own
      return U'\uFFFD';
    }
    return 0x10000 + ((*unit - 0xD800) << 10) + (*low - 0xDC00);
  }

  std::optional<char32_t> Hex(size_t digits) {
    if (at_ + digits > text_.size()) return std::nullopt;
    unsigned value = 0;
    auto [rest, error] =
        std::from_chars(text_.data() + at_, text_.data() + at_ + digits, value, 16);
    if (error != std::errc() || rest != text_.data() + at_ + digits) return std::nullopt;
    at_ += digits;
    return static_cast<char32_t>(value);
  }

  std::string_view text_;
  size_t at_ = 0;
  std::optional<Token> peeked_;
  bool tookSemicolon_ = false;
};

}  // namespace

Prefs ParsePrefs(std::string_view text) { return PrefsParser(text).Parse(); }

Prefs ReadPrefsFile(const std::string& path, std::ostream& warnings) {
  const std::optional<std::string> text = ReadConfigFile(path, warnings);
  return text ? ParsePrefs(*text) : Prefs();
}

}  // namespace discovery
