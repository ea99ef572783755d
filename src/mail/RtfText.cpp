#include "mail/RtfText.h"

#include <cctype>
#include <optional>
#include <vector>

#include "mail/Charset.h"

namespace mail {
namespace {

// Destinations whose groups hold no text a reader sees.
bool IsHiddenDestination(std::string_view word) {
  for (std::string_view hidden : {"fonttbl", "colortbl", "stylesheet", "info", "pict", "object",
                                  "header", "footer", "listtable", "listoverridetable", "rsidtbl",
                                  "generator", "themedata", "datastore", "xmlnstbl"}) {
    if (word == hidden) return true;
  }
  return false;
}

class Reducer {
 public:
  explicit Reducer(std::uint32_t codePage) : codePage_(codePage) {}

  std::string Run(std::string_view rtf) {
    std::size_t i = 0;
    while (i < rtf.size()) {
      const char c = rtf[i];
      if (c == '{') {
        Flush();
        groups_.push_back(state_);
        state_.skipNext = 0;
        ++i;
      } else if (c == '}') {
        Flush();
        if (!groups_.empty()) {
          state_ = groups_.back();
          groups_.pop_back();
        }
        ++i;
      } else if (c == '\\') {
        i = ControlWord(rtf, i + 1);
      } else if (c == '\r' || c == '\n') {
        ++i;
      } else {
        Byte(static_cast<unsigned char>(c));
        ++i;
      }
    }
    Flush();
    return std::move(out_);
  }

 private:
  struct State {
    bool hidden = false;
    int unicodeSkip = 1;  // fallback characters after each \uN
    int skipNext = 0;     // of them still to skip
  };

  void Byte(unsigned char byte) {
    if (state_.hidden) return;
    if (state_.skipNext > 0) {
      --state_.skipNext;
      return;
    }
    bytes_ += static_cast<char>(byte);
  }

  // Bytes in the document's code page, decoded now that something else follows them.
  void Flush() {
    if (bytes_.empty()) return;
    const std::string charset = codePage_ == 65001 ? "UTF-8" : "CP" + std::to_string(codePage_);
    if (auto text = ConvertToUtf8(bytes_, charset.c_str())) {
      out_ += *text;
    } else {
      out_ += DecodeUnlabelled(bytes_);
    }
    bytes_.clear();
  }

  void Text(std::string_view text) {
    if (state_.hidden) return;
    Flush();
    out_ += text;
  }

  std::size_t ControlWord(std::string_view rtf, std::size_t i) {
    if (i >= rtf.size()) return i;
    const char c = rtf[i];
    if (!std::isalpha(static_cast<unsigned char>(c))) {
      // A control symbol: \' with two hex digits, an escaped character, or \* (an ignorable
      // destination); \~ \- \_ are a space, an optional hyphen and a hyphen.
      if (c == '\'') {
        unsigned value = 0;
        std::size_t j = i + 1;
        for (; j < rtf.size() && j < i + 3 && std::isxdigit(static_cast<unsigned char>(rtf[j]));
             ++j) {
          value =
              value * 16 + (std::isdigit(static_cast<unsigned char>(rtf[j]))
                                ? rtf[j] - '0'
                                : (std::tolower(static_cast<unsigned char>(rtf[j])) - 'a' + 10));
        }
        // An escape cut short stands for no character.
        if (j == i + 3) Byte(static_cast<unsigned char>(value));
        return j;
      }
      if (c == '*') {
        state_.hidden = true;
      } else if (c == '~') {
        Text(" ");
      } else if (c == '_') {
        Text("-");
      } else if (c == '\\' || c == '{' || c == '}') {
        Byte(static_cast<unsigned char>(c));
      } else if (c == '\r' || c == '\n') {
        Text("\n");
      }
      return i + 1;
    }
    std::size_t j = i;
    while (j < rtf.size() && std::isalpha(static_cast<unsigned char>(rtf[j])) && j - i < 32) ++j;
    const std::string_view word = rtf.substr(i, j - i);
    std::optional<long> parameter;
    std::size_t k = j;
    if (k < rtf.size() && (rtf[k] == '-' || std::isdigit(static_cast<unsigned char>(rtf[k])))) {
      const bool negative = rtf[k] == '-';
      if (negative) ++k;
      long value = 0;
      for (; k < rtf.size() && std::isdigit(static_cast<unsigned char>(rtf[k])); ++k) {
        if (value < 10000000) value = value * 10 + (rtf[k] - '0');
      }
      parameter = negative ? -value : value;
    }
    if (k < rtf.size() && rtf[k] == ' ') ++k;  // the delimiter belongs to the word
    Word(word, parameter);
    return k;
  }

  void Word(std::string_view word, std::optional<long> parameter) {
    if (word == "par" || word == "line" || word == "row") {
      Text("\n");
    } else if (word == "tab" || word == "cell") {
      Text("\t");
    } else if (word == "ansicpg" && parameter && *parameter > 0) {
      Flush();
      codePage_ = static_cast<std::uint32_t>(*parameter);
    } else if (word == "uc" && parameter && *parameter >= 0) {
      state_.unicodeSkip = static_cast<int>(*parameter);
    } else if (word == "u" && parameter) {
      if (!state_.hidden) {
        Flush();
        // Negative values stand for the upper half of 16 bits.
        AppendUtf8(static_cast<char32_t>(*parameter < 0 ? *parameter + 65536 : *parameter), out_);
      }
      state_.skipNext = state_.unicodeSkip;
    } else if (IsHiddenDestination(word)) {
      state_.hidden = true;
    }
  }

  std::uint32_t codePage_;
  State state_;
  std::vector<State> groups_;
  std::string bytes_;
  std::string out_;
};

}  // namespace

std::string RtfToPlainText(std::string_view rtf, std::uint32_t codePage) {
  return Reducer(codePage).Run(rtf);
}

}  // namespace mail
