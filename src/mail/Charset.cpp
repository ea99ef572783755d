#include "mail/Charset.h"

#include <iconv.h>
#include <QByteArrayView>
#include <QString>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <utility>
#include <vector>

namespace mail {
namespace {

const iconv_t kNoConverter = reinterpret_cast<iconv_t>(-1);

// Opening a converter loads its charset's module and closing the last one unloads it again, which
// costs more than most conversions: each thread keeps the few converters it uses.
class OpenConverters {
 public:
  ~OpenConverters() {
    for (const auto& entry : open_) iconv_close(entry.cd);
  }

  // A converter, in its initial state; `owned` when the caller must close it. One kept open that
  // a caller still uses (a decoder holding its state between pieces) is not handed out twice.
  iconv_t Get(const char* to, const char* from, bool& owned) {
    std::string names = std::string(to) + '\n' + from;
    owned = false;
    for (auto& [open, cd, busy] : open_) {
      if (open == names && !busy) {
        iconv(cd, nullptr, nullptr, nullptr, nullptr);
        busy = true;
        return cd;
      }
    }
    iconv_t cd = iconv_open(to, from);
    if (cd == kNoConverter) return cd;
    if (open_.size() < kKept) {
      open_.push_back({std::move(names), cd, true});
    } else {
      owned = true;
    }
    return cd;
  }

  void Release(iconv_t cd) {
    for (auto& entry : open_) {
      if (entry.cd == cd) entry.busy = false;
    }
  }

 private:
  static constexpr std::size_t kKept = 8;
  struct Open {
    std::string names;
    iconv_t cd;
    bool busy;
  };
  std::vector<Open> open_;
};

class Converter {
 public:
  Converter(const char* to, const char* from) { cd_ = Converters().Get(to, from, owned_); }
  ~Converter() {
    if (owned_) {
      iconv_close(cd_);
    } else if (ok()) {
      Converters().Release(cd_);
    }
  }
  Converter(const Converter&) = delete;
  Converter& operator=(const Converter&) = delete;

  bool ok() const { return cd_ != kNoConverter; }

  // Converts `bytes`, taking what it read off their front; a byte the charset does not define is
  // handed to `invalid`, which either appends a replacement to `out` and returns true, or gives
  // up by returning false. Unless `last`, a character cut off at the end is left in `bytes` for
  // the text that follows, and the converter keeps its shift state.
  template <class OnInvalid>
  bool Run(std::string_view& bytes, bool last, std::string& out, OnInvalid invalid) {
    char* in = const_cast<char*>(bytes.data());
    std::size_t inLeft = bytes.size();
    out.reserve(out.size() + bytes.size() + bytes.size() / 4 + 16);
    char chunk[16384];
    while (inLeft > 0) {
      char* o = chunk;
      std::size_t oLeft = sizeof chunk;
      std::size_t r = iconv(cd_, &in, &inLeft, &o, &oLeft);
      out.append(chunk, o - chunk);
      if (r != static_cast<std::size_t>(-1)) break;
      if (errno == E2BIG) continue;
      if (errno == EINVAL && !last) break;
      // EILSEQ, or EINVAL for a sequence cut off at the end.
      if (!invalid(static_cast<unsigned char>(*in), out)) return false;
      ++in;
      --inLeft;
      iconv(cd_, nullptr, nullptr, nullptr, nullptr);
    }
    bytes.remove_prefix(bytes.size() - inLeft);
    if (!last) return true;
    // A stateful charset (UTF-7) closes its last shift sequence here.
    char* o = chunk;
    std::size_t oLeft = sizeof chunk;
    iconv(cd_, nullptr, nullptr, &o, &oLeft);
    out.append(chunk, o - chunk);
    return true;
  }

 private:
  static OpenConverters& Converters() {
    thread_local OpenConverters converters;
    return converters;
  }

  iconv_t cd_;
  bool owned_ = false;
};

void AppendLatin1(unsigned char byte, std::string& out) {
  out.push_back(static_cast<char>(0xC0 | (byte >> 6)));
  out.push_back(static_cast<char>(0x80 | (byte & 0x3F)));
}

}  // namespace

bool IsUtf8(std::string_view bytes) {
  return QByteArrayView(bytes.data(), static_cast<qsizetype>(bytes.size())).isValidUtf8();
}

std::optional<std::string> ConvertToUtf8(std::string_view bytes, const char* charset) {
  return Convert(bytes, charset, "UTF-8");
}

std::optional<std::string> Convert(std::string_view bytes, const char* from, const char* to) {
  Converter converter(to, from);
  if (!converter.ok()) return std::nullopt;
  std::string out;
  if (!converter.Run(bytes, true, out, [](unsigned char, std::string&) { return false; })) {
    return std::nullopt;
  }
  return out;
}

namespace {

// How many bytes a UTF-8 sequence that starts with `lead` (not a continuation byte) has.
std::size_t SequenceLength(unsigned char lead) {
  return lead < 0xC0 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
}

// How many bytes at the end of `bytes` start a UTF-8 sequence that the end cuts off.
std::size_t CutOff(std::string_view bytes) {
  for (std::size_t back = 1; back <= std::min<std::size_t>(3, bytes.size()); ++back) {
    const auto c = static_cast<unsigned char>(bytes[bytes.size() - back]);
    if ((c & 0xC0) == 0x80) continue;
    return SequenceLength(c) > back ? back : 0;
  }
  return 0;
}

}  // namespace

void Utf8Check::Add(std::string_view piece) {
  if (!valid_) return;
  if (!cut_.empty()) {
    const std::size_t need = SequenceLength(static_cast<unsigned char>(cut_[0])) - cut_.size();
    const std::size_t take = std::min(need, piece.size());
    cut_.append(piece.substr(0, take));
    piece.remove_prefix(take);
    if (take < need) return;
    valid_ = IsUtf8(cut_);
    cut_.clear();
    if (!valid_) return;
  }
  const std::size_t cut = CutOff(piece);
  valid_ = IsUtf8(piece.substr(0, piece.size() - cut));
  cut_ = piece.substr(piece.size() - cut);
}

struct TextDecoder::State {
  State(const char* charset) : converter("UTF-8", charset) {}
  Converter converter;
};

TextDecoder::TextDecoder(const char* charset, Invalid invalid)
    : state_(std::make_unique<State>(charset)), mode_(invalid) {}

TextDecoder::~TextDecoder() = default;

bool TextDecoder::ok() const { return state_->converter.ok(); }

bool TextDecoder::readable() const {
  // When the charset read no character beyond ASCII but the text has 8-bit bytes, they are not
  // in that charset at all.
  static constexpr std::size_t kReplacementSize = 3;
  return invalid_ == 0 || highOut_ > replaced_ * kReplacementSize || !highIn_;
}

void TextDecoder::Decode(std::string_view piece, bool last, std::string& out) {
  static constexpr std::string_view kReplacement = "\xEF\xBF\xBD";
  auto high = [](char c) { return (c & 0x80) != 0; };
  // Only a replacing decoder is asked whether the charset reads the text at all.
  const bool judged = mode_ == Invalid::kReplace;
  highIn_ = highIn_ || (judged && std::any_of(piece.begin(), piece.end(), high));
  if (!ok()) {
    // No windows-1252 tables in this C library: Latin-1 loses nothing either.
    if (mode_ == Invalid::kLatin1) {
      for (unsigned char c : piece)
        c < 0x80 ? out.push_back(static_cast<char>(c)) : AppendLatin1(c, out);
    }
    return;
  }
  std::string_view bytes = piece;
  if (!cut_.empty()) {
    cut_.append(piece);
    bytes = cut_;
  }
  const std::size_t start = out.size();
  state_->converter.Run(bytes, last, out, [&](unsigned char byte, std::string& o) {
    ++invalid_;
    if (mode_ == Invalid::kLatin1) {
      AppendLatin1(byte, o);
    } else if (byte < 0x80) {
      // An ASCII byte stays itself: UTF-7's decoder refuses the tilde and the backslash, which
      // senders write plainly.
      o += static_cast<char>(byte);
    } else {
      o += kReplacement;
      ++replaced_;
    }
    return true;
  });
  cut_ = std::string(bytes);
  const std::string_view text = std::string_view(out).substr(start);
  if (!judged) return;
  highOut_ += std::count_if(text.begin(), text.end(), high);
  // A few decoders (UCS-4, wchar_t) pass on values beyond Unicode, which UTF-8 cannot hold. The
  // converter writes whole characters, so each piece's text is judged on its own.
  if (!IsUtf8(text)) {
    utf8Out_ = false;
    const std::string repaired =
        QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())).toStdString();
    out.replace(start, out.size() - start, repaired);
  }
}

std::optional<std::string> DecodeReplacingInvalid(std::string_view bytes, const char* charset,
                                                  bool& complete) {
  TextDecoder decoder(charset, TextDecoder::Invalid::kReplace);
  if (!decoder.ok()) return std::nullopt;
  std::string out;
  decoder.Decode(bytes, true, out);
  complete = decoder.complete();
  if (!decoder.readable()) return std::nullopt;
  return out;
}

std::string DecodeUnlabelled(std::string_view bytes) {
  if (IsUtf8(bytes)) return std::string(bytes);
  std::string out;
  TextDecoder(kUnlabelledCharset, TextDecoder::Invalid::kLatin1).Decode(bytes, true, out);
  return out;
}

void AppendUtf8(char32_t c, std::string& out) {
  if ((c >= 0xD800 && c <= 0xDFFF) || c > 0x10FFFF) c = 0xFFFD;
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (c >> 18));
    out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

}  // namespace mail
