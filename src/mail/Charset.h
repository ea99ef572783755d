#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>

// Reading text in the charset it came in. Whatever bytes the files hold, everything the store
// hands out is valid UTF-8.
namespace mail {

bool IsUtf8(std::string_view bytes);

// `bytes` read in `charset` (a name iconv knows), as UTF-8; nothing when iconv does not know the
// charset or the bytes are not valid in it.
std::optional<std::string> ConvertToUtf8(std::string_view bytes, const char* charset);

// `bytes` converted between two charsets iconv knows; nothing when either is unknown or the bytes
// are not valid in `from`.
std::optional<std::string> Convert(std::string_view bytes, const char* from, const char* to);

// `bytes` read in `charset` (a name iconv knows) as UTF-8, each 8-bit byte that is not valid in it
// read as U+FFFD, and an ASCII one as itself; `complete` tells whether none was invalid. Nothing
// when iconv does not know the charset, or when the bytes have invalid ones and 8-bit ones but the
// charset reads no character beyond ASCII: then their 8-bit bytes are not in that charset at all.
std::optional<std::string> DecodeReplacingInvalid(std::string_view bytes, const char* charset,
                                                  bool& complete);

// Whether text given a piece at a time is valid UTF-8, as IsUtf8 judges it whole: a character
// cut off at a piece's end is judged with the bytes that follow.
class Utf8Check {
 public:
  void Add(std::string_view piece);
  // After the last piece.
  bool Valid() const { return valid_ && cut_.empty(); }

 private:
  std::string cut_;
  bool valid_ = true;
};

// Text in a charset read as UTF-8 a piece at a time, wherever the text was cut: a character cut
// off at a piece's end waits for the next piece, and a stateful charset (ISO-2022-JP, UTF-7,
// UTF-16's byte order) keeps its state from one piece to the next. The pieces' text joined is
// what reading the whole text at once gives.
class TextDecoder {
 public:
  enum class Invalid {
    // An 8-bit byte the charset does not define as U+FFFD, an ASCII one as itself, as
    // DecodeReplacingInvalid reads it.
    kReplace,
    // As Latin-1; with windows-1252, as DecodeUnlabelled reads bytes that are no UTF-8.
    kLatin1,
  };
  TextDecoder(const char* charset, Invalid invalid);
  ~TextDecoder();
  TextDecoder(const TextDecoder&) = delete;
  TextDecoder& operator=(const TextDecoder&) = delete;

  // Whether iconv knows the charset; without it nothing is read (but Latin-1 reads everything).
  bool ok() const;
  // Appends the text of `piece` to `out`; `last` ends the text.
  void Decode(std::string_view piece, bool last, std::string& out);

  // After the last piece: whether no byte was invalid, and whether the text is read in the
  // charset at all (see DecodeReplacingInvalid).
  bool complete() const { return invalid_ == 0 && utf8Out_; }
  bool readable() const;

 private:
  struct State;
  std::unique_ptr<State> state_;
  Invalid mode_;
  std::string cut_;
  std::size_t invalid_ = 0, replaced_ = 0, highOut_ = 0;
  bool highIn_ = false, utf8Out_ = true;
};

// Bytes in no declared charset: UTF-8 when they are valid UTF-8, else windows-1252 (whose five
// unassigned bytes stand for the control characters of the same number, so nothing is lost).
std::string DecodeUnlabelled(std::string_view bytes);

// Appends the character `c` in UTF-8; one that has no UTF-8 form (a surrogate, or past U+10FFFF)
// as U+FFFD.
void AppendUtf8(char32_t c, std::string& out);

// The charset DecodeUnlabelled reads bytes that are no UTF-8 in, with TextDecoder::kLatin1.
inline constexpr const char* kUnlabelledCharset = "WINDOWS-1252";

}  // namespace mail
