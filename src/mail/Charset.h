#pragma once

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

// Bytes in no declared charset: UTF-8 when they are valid UTF-8, else windows-1252 (whose five
// unassigned bytes stand for the control characters of the same number, so nothing is lost).
std::string DecodeUnlabelled(std::string_view bytes);

}  // namespace mail
