#include "mail/StreamedHtmlText.h"

#include <glib.h>

#include <algorithm>
#include <cstdint>
#include <initializer_list>
#include <optional>
#include <utility>

#include "mail/Charset.h"

namespace mail {
namespace {

struct Entity {
  std::string_view name;
  std::uint32_t code;
};

// The named character references of HTML 4, which the rich-text document reads, and &apos;.
// Sorted by name.
constexpr Entity kEntities[] = {
    {"AElig", 0xC6},     {"Aacute", 0xC1},   {"Acirc", 0xC2},     {"Agrave", 0xC0},
    {"Alpha", 0x391},    {"Aring", 0xC5},    {"Atilde", 0xC3},    {"Auml", 0xC4},
    {"Beta", 0x392},     {"Ccedil", 0xC7},   {"Chi", 0x3A7},      {"Dagger", 0x2021},
    {"Delta", 0x394},    {"ETH", 0xD0},      {"Eacute", 0xC9},    {"Ecirc", 0xCA},
    {"Egrave", 0xC8},    {"Epsilon", 0x395}, {"Eta", 0x397},      {"Euml", 0xCB},
    {"Gamma", 0x393},    {"Iacute", 0xCD},   {"Icirc", 0xCE},     {"Igrave", 0xCC},
    {"Iota", 0x399},     {"Iuml", 0xCF},     {"Kappa", 0x39A},    {"Lambda", 0x39B},
    {"Mu", 0x39C},       {"Ntilde", 0xD1},   {"Nu", 0x39D},       {"OElig", 0x152},
    {"Oacute", 0xD3},    {"Ocirc", 0xD4},    {"Ograve", 0xD2},    {"Omega", 0x3A9},
    {"Omicron", 0x39F},  {"Oslash", 0xD8},   {"Otilde", 0xD5},    {"Ouml", 0xD6},
    {"Phi", 0x3A6},      {"Pi", 0x3A0},      {"Prime", 0x2033},   {"Psi", 0x3A8},
    {"Rho", 0x3A1},      {"Scaron", 0x160},  {"Sigma", 0x3A3},    {"THORN", 0xDE},
    {"Tau", 0x3A4},      {"Theta", 0x398},   {"Uacute", 0xDA},    {"Ucirc", 0xDB},
    {"Ugrave", 0xD9},    {"Upsilon", 0x3A5}, {"Uuml", 0xDC},      {"Xi", 0x39E},
    {"Yacute", 0xDD},    {"Yuml", 0x178},    {"Zeta", 0x396},     {"aacute", 0xE1},
    {"acirc", 0xE2},     {"acute", 0xB4},    {"aelig", 0xE6},     {"agrave", 0xE0},
    {"alefsym", 0x2135}, {"alpha", 0x3B1},   {"amp", 0x26},       {"and", 0x2227},
    {"ang", 0x2220},     {"apos", 0x27},     {"aring", 0xE5},     {"asymp", 0x2248},
    {"atilde", 0xE3},    {"auml", 0xE4},     {"bdquo", 0x201E},   {"beta", 0x3B2},
    {"brvbar", 0xA6},    {"bull", 0x2022},   {"cap", 0x2229},     {"ccedil", 0xE7},
    {"cedil", 0xB8},     {"cent", 0xA2},     {"chi", 0x3C7},      {"circ", 0x2C6},
    {"clubs", 0x2663},   {"cong", 0x2245},   {"copy", 0xA9},      {"crarr", 0x21B5},
    {"cup", 0x222A},     {"curren", 0xA4},   {"dArr", 0x21D3},    {"dagger", 0x2020},
    {"darr", 0x2193},    {"deg", 0xB0},      {"delta", 0x3B4},    {"diams", 0x2666},
    {"divide", 0xF7},    {"eacute", 0xE9},   {"ecirc", 0xEA},     {"egrave", 0xE8},
    {"empty", 0x2205},   {"emsp", 0x2003},   {"ensp", 0x2002},    {"epsilon", 0x3B5},
    {"equiv", 0x2261},   {"eta", 0x3B7},     {"eth", 0xF0},       {"euml", 0xEB},
    {"euro", 0x20AC},    {"exist", 0x2203},  {"fnof", 0x192},     {"forall", 0x2200},
    {"frac12", 0xBD},    {"frac14", 0xBC},   {"frac34", 0xBE},    {"frasl", 0x2044},
    {"gamma", 0x3B3},    {"ge", 0x2265},     {"gt", 0x3E},        {"hArr", 0x21D4},
    {"harr", 0x2194},    {"hearts", 0x2665}, {"hellip", 0x2026},  {"iacute", 0xED},
    {"icirc", 0xEE},     {"iexcl", 0xA1},    {"igrave", 0xEC},    {"image", 0x2111},
    {"infin", 0x221E},   {"int", 0x222B},    {"iota", 0x3B9},     {"iquest", 0xBF},
    {"isin", 0x2208},    {"iuml", 0xEF},     {"kappa", 0x3BA},    {"lArr", 0x21D0},
    {"lambda", 0x3BB},   {"lang", 0x2329},   {"laquo", 0xAB},     {"larr", 0x2190},
    {"lceil", 0x2308},   {"ldquo", 0x201C},  {"le", 0x2264},      {"lfloor", 0x230A},
    {"lowast", 0x2217},  {"loz", 0x25CA},    {"lrm", 0x200E},     {"lsaquo", 0x2039},
    {"lsquo", 0x2018},   {"lt", 0x3C},       {"macr", 0xAF},      {"mdash", 0x2014},
    {"micro", 0xB5},     {"middot", 0xB7},   {"minus", 0x2212},   {"mu", 0x3BC},
    {"nabla", 0x2207},   {"nbsp", 0xA0},     {"ndash", 0x2013},   {"ne", 0x2260},
    {"ni", 0x220B},      {"not", 0xAC},      {"notin", 0x2209},   {"nsub", 0x2284},
    {"ntilde", 0xF1},    {"nu", 0x3BD},      {"oacute", 0xF3},    {"ocirc", 0xF4},
    {"oelig", 0x153},    {"ograve", 0xF2},   {"oline", 0x203E},   {"omega", 0x3C9},
    {"omicron", 0x3BF},  {"oplus", 0x2295},  {"or", 0x2228},      {"ordf", 0xAA},
    {"ordm", 0xBA},      {"oslash", 0xF8},   {"otilde", 0xF5},    {"otimes", 0x2297},
    {"ouml", 0xF6},      {"para", 0xB6},     {"part", 0x2202},    {"permil", 0x2030},
    {"perp", 0x22A5},    {"phi", 0x3C6},     {"pi", 0x3C0},       {"piv", 0x3D6},
    {"plusmn", 0xB1},    {"pound", 0xA3},    {"prime", 0x2032},   {"prod", 0x220F},
    {"prop", 0x221D},    {"psi", 0x3C8},     {"quot", 0x22},      {"rArr", 0x21D2},
    {"radic", 0x221A},   {"rang", 0x232A},   {"raquo", 0xBB},     {"rarr", 0x2192},
    {"rceil", 0x2309},   {"rdquo", 0x201D},  {"real", 0x211C},    {"reg", 0xAE},
    {"rfloor", 0x230B},  {"rho", 0x3C1},     {"rlm", 0x200F},     {"rsaquo", 0x203A},
    {"rsquo", 0x2019},   {"sbquo", 0x201A},  {"scaron", 0x161},   {"sdot", 0x22C5},
    {"sect", 0xA7},      {"shy", 0xAD},      {"sigma", 0x3C3},    {"sigmaf", 0x3C2},
    {"sim", 0x223C},     {"spades", 0x2660}, {"sub", 0x2282},     {"sube", 0x2286},
    {"sum", 0x2211},     {"sup", 0x2283},    {"sup1", 0xB9},      {"sup2", 0xB2},
    {"sup3", 0xB3},      {"supe", 0x2287},   {"szlig", 0xDF},     {"tau", 0x3C4},
    {"there4", 0x2234},  {"theta", 0x3B8},   {"thetasym", 0x3D1}, {"thinsp", 0x2009},
    {"thorn", 0xFE},     {"tilde", 0x2DC},   {"times", 0xD7},     {"trade", 0x2122},
    {"uArr", 0x21D1},    {"uacute", 0xFA},   {"uarr", 0x2191},    {"ucirc", 0xFB},
    {"ugrave", 0xF9},    {"uml", 0xA8},      {"upsih", 0x3D2},    {"upsilon", 0x3C5},
    {"uuml", 0xFC},      {"weierp", 0x2118}, {"xi", 0x3BE},       {"yacute", 0xFD},
    {"yen", 0xA5},       {"yuml", 0xFF},     {"zeta", 0x3B6},     {"zwj", 0x200D},
    {"zwnj", 0x200C},
};

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f'; }

bool IsLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool SameName(std::string_view a, std::string_view b) {
  return a.size() == b.size() && g_ascii_strncasecmp(a.data(), b.data(), a.size()) == 0;
}

bool OneOf(std::string_view name, std::initializer_list<std::string_view> names) {
  return std::any_of(names.begin(), names.end(),
                     [&](std::string_view known) { return SameName(name, known); });
}

// Elements whose content never shows.
bool IsHidden(std::string_view name) { return OneOf(name, {"script", "style", "head", "title"}); }

// Elements that start a line where they open and where they close.
bool IsBlock(std::string_view name) {
  return OneOf(name, {"address",    "article", "aside",  "blockquote", "caption", "center",
                      "dd",         "details", "div",    "dl",         "dt",      "fieldset",
                      "figcaption", "figure",  "footer", "form",       "h1",      "h2",
                      "h3",         "h4",      "h5",     "h6",         "header",  "li",
                      "main",       "nav",     "ol",     "p",          "pre",     "section",
                      "summary",    "table",   "td",     "th",         "tr",      "ul"});
}

// The character a reference at `at` (an "&") stands for, with `end` past its ";"; nothing when it
// is none, and the "&" then stands for itself.
std::optional<std::uint32_t> Reference(std::string_view html, std::size_t at, std::size_t& end) {
  const std::size_t semicolon = html.find(';', at);
  if (semicolon == std::string_view::npos || semicolon - at > 32) return std::nullopt;
  const std::string_view name = html.substr(at + 1, semicolon - at - 1);
  end = semicolon + 1;
  if (name.size() > 1 && name[0] == '#') {
    const bool hex = name[1] == 'x' || name[1] == 'X';
    const std::string_view digits = name.substr(hex ? 2 : 1);
    if (digits.empty()) return std::nullopt;
    std::uint32_t code = 0;
    for (char c : digits) {
      int value = c >= '0' && c <= '9'                        ? c - '0'
                  : hex && Lower(c) >= 'a' && Lower(c) <= 'f' ? Lower(c) - 'a' + 10
                                                              : -1;
      if (value < 0) return std::nullopt;
      code = std::min<std::uint32_t>(code * (hex ? 16 : 10) + static_cast<std::uint32_t>(value),
                                     0x110000);
    }
    return code;
  }
  const auto* found = std::lower_bound(
      std::begin(kEntities), std::end(kEntities), name,
      [](const Entity& entity, std::string_view key) { return entity.name < key; });
  if (found == std::end(kEntities) || found->name != name) return std::nullopt;
  return found->code;
}

// Where the tag opening at `at` ends (past its ">"), quoted attribute values passed over; a quote
// never closed ends at the first ">", so that it cannot take the rest of the text with it.
std::size_t TagEnd(std::string_view html, std::size_t at) {
  char quote = 0;
  for (std::size_t i = at + 1; i < html.size(); ++i) {
    const char c = html[i];
    if (quote) {
      if (c == quote) quote = 0;
    } else if (c == '"' || c == '\'') {
      quote = c;
    } else if (c == '>') {
      return i + 1;
    }
  }
  const std::size_t first = html.find('>', at);
  return first == std::string_view::npos ? html.size() : first + 1;
}

// Whether the tag at `at` (a "<") is `name`'s, whatever the case.
bool IsTag(std::string_view html, std::size_t at, std::string_view name) {
  const std::size_t end = at + 1 + name.size();
  return SameName(html.substr(at + 1, name.size()), name) &&
         (end == html.size() || !IsLetter(html[end]));
}

// Where the content of a hidden element that starts at `from` ends: past its own end tag; for a
// head left open, where the body starts.
std::size_t HiddenEnd(std::string_view html, std::size_t from, std::string_view name) {
  const std::string closing = "/" + std::string(name);
  for (std::size_t at = html.find('<', from); at != std::string_view::npos;
       at = html.find('<', at + 1)) {
    if (IsTag(html, at, closing)) return TagEnd(html, at);
    if (SameName(name, "head") && IsTag(html, at, "body")) return at;
  }
  return html.size();
}

class TextWriter {
 public:
  explicit TextWriter(std::size_t size) { out_.reserve(size / 2); }

  void Blank() { pendingBlank_ = !out_.empty() && !atLineStart_; }
  void Text(std::string_view text) {
    if (pendingBlank_) out_ += ' ';
    pendingBlank_ = false;
    out_ += text;
    atLineStart_ = false;
  }
  void Character(std::uint32_t code) {
    // The document shows a no-break space as a space.
    if (code == 0xA0) code = ' ';
    if (pendingBlank_) out_ += ' ';
    pendingBlank_ = false;
    AppendUtf8(code == 0 ? 0xFFFD : code, out_);
    atLineStart_ = false;
  }
  // A preformatted character, blanks and line breaks as they are.
  void Kept(char c) {
    pendingBlank_ = false;
    out_ += c;
    atLineStart_ = c == '\n';
  }
  void LineBreak() {
    out_ += '\n';
    atLineStart_ = true;
    pendingBlank_ = false;
  }
  void StartLine() {
    if (!out_.empty() && !atLineStart_) LineBreak();
    pendingBlank_ = false;
  }
  std::string Finish() {
    while (!out_.empty() && IsBlank(out_.back())) out_.pop_back();
    return std::move(out_);
  }

 private:
  std::string out_;
  bool atLineStart_ = true;
  bool pendingBlank_ = false;
};

}  // namespace

std::string StreamedHtmlText(std::string_view html) {
  TextWriter text(html.size());
  int preformatted = 0;
  std::size_t i = 0;
  while (i < html.size()) {
    const char c = html[i];
    if (c == '<' && html.substr(i).starts_with("<!--")) {
      const std::size_t close = html.find("-->", i + 4);
      i = close == std::string_view::npos ? html.size() : close + 3;
      continue;
    }
    if (c == '<' && i + 1 < html.size() &&
        (IsLetter(html[i + 1]) || html[i + 1] == '/' || html[i + 1] == '!' || html[i + 1] == '?')) {
      const std::size_t end = TagEnd(html, i);
      const bool closing = html[i + 1] == '/';
      const std::size_t nameStart = i + (closing ? 2 : 1);
      std::size_t nameEnd = nameStart;
      while (nameEnd < end && (IsLetter(html[nameEnd]) || g_ascii_isdigit(html[nameEnd])))
        ++nameEnd;
      const std::string_view name = html.substr(nameStart, nameEnd - nameStart);
      i = end;
      if (!closing && IsHidden(name)) {
        i = HiddenEnd(html, i, name);
        continue;
      }
      if (SameName(name, "br")) {
        if (!closing) text.LineBreak();
      } else if (SameName(name, "hr")) {
        text.StartLine();
        text.LineBreak();
      } else if (IsBlock(name)) {
        text.StartLine();
        if (SameName(name, "pre")) preformatted = std::max(0, preformatted + (closing ? -1 : 1));
      }
      continue;
    }
    if (c == '&') {
      std::size_t end = 0;
      if (const std::optional<std::uint32_t> code = Reference(html, i, end)) {
        text.Character(*code);
        i = end;
        continue;
      }
    }
    if (preformatted > 0 && IsBlank(c)) {
      if (c != '\r') text.Kept(c == '\f' ? ' ' : c);
      ++i;
      continue;
    }
    if (IsBlank(c)) {
      text.Blank();
      ++i;
      continue;
    }
    // A no-break space reads as a space; other text runs up to the next tag, reference, blank or
    // no-break space.
    auto noBreakSpace = [&](std::size_t at) {
      return html[at] == '\xC2' && at + 1 < html.size() && html[at + 1] == '\xA0';
    };
    if (noBreakSpace(i)) {
      text.Character(0xA0);
      i += 2;
      continue;
    }
    std::size_t run = i + 1;
    while (run < html.size() && html[run] != '<' && html[run] != '&' && !IsBlank(html[run]) &&
           !noBreakSpace(run))
      ++run;
    text.Text(html.substr(i, run - i));
    i = run;
  }
  return text.Finish();
}

}  // namespace mail
