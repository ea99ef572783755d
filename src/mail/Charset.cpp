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
    for (const auto& [names, cd] : open_) iconv_close(cd);
  }

  // A converter, in its initial state; `owned` when the caller must close it.
  iconv_t Get(const char* to, const char* from, bool& owned) {
    std::string names = std::string(to) + '\n' + from;
    owned = false;
    for (const auto& [open, cd] : open_) {
      if (open == names) {
        iconv(cd, nullptr, nullptr, nullptr, nullptr);
        return cd;
      }
    }
    iconv_t cd = iconv_open(to, from);
    if (cd == kNoConverter) return cd;
    if (open_.size() < kKept) {
      open_.emplace_back(std::move(names), cd);
    } else {
      owned = true;
    }
    return cd;
  }

 private:
  static constexpr std::size_t kKept = 8;
  std::vector<std::pair<std::string, iconv_t>> open_;
};

class Converter {
 public:
  Converter(const char* to, const char* from) {
    thread_local OpenConverters converters;
    cd_ = converters.Get(to, from, owned_);
  }
  ~Converter() {
    if (owned_) iconv_close(cd_);
  }
  Converter(const Converter&) = delete;
  Converter& operator=(const Converter&) = delete;

  bool ok() const { return cd_ != kNoConverter; }

  // Converts all of `bytes`; a byte the charset does not define is handed to `invalid`, which
  // either appends a replacement to `out` and returns true, or gives up by returning false.
  template <class OnInvalid>
  bool Run(std::string_view bytes, std::string& out, OnInvalid invalid) {
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
      // EILSEQ, or EINVAL for a sequence cut off at the end.
      if (!invalid(static_cast<unsigned char>(*in), out)) return false;
      ++in;
      --inLeft;
      iconv(cd_, nullptr, nullptr, nullptr, nullptr);
    }
    // A stateful charset (UTF-7) closes its last shift sequence here.
    char* o = chunk;
    std::size_t oLeft = sizeof chunk;
    iconv(cd_, nullptr, nullptr, &o, &oLeft);
    out.append(chunk, o - chunk);
    return true;
  }

 private:
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
  if (!converter.Run(bytes, out, [](unsigned char, std::string&) { return false; })) {
    return std::nullopt;
  }
  return out;
}

std::optional<std::string> DecodeReplacingInvalid(std::string_view bytes, const char* charset,
                                                  bool& complete) {
  static constexpr std::string_view kReplacement = "\xEF\xBF\xBD";
  Converter converter("UTF-8", charset);
  if (!converter.ok()) return std::nullopt;
  std::string out;
  std::size_t invalid = 0, replaced = 0;
  converter.Run(bytes, out, [&](unsigned char byte, std::string& o) {
    ++invalid;
    // An ASCII byte stays itself: UTF-7's decoder refuses the tilde and the backslash, which
    // senders write plainly.
    if (byte < 0x80) {
      o += static_cast<char>(byte);
    } else {
      o += kReplacement;
      ++replaced;
    }
    return true;
  });
  complete = invalid == 0;
  if (!complete) {
    auto high = [](char c) { return (c & 0x80) != 0; };
    const auto readBeyondAscii = std::count_if(out.begin(), out.end(), high) >
                                 static_cast<std::ptrdiff_t>(replaced * kReplacement.size());
    if (!readBeyondAscii && std::any_of(bytes.begin(), bytes.end(), high)) return std::nullopt;
  }
  // A few decoders (UCS-4, wchar_t) pass on values beyond Unicode, which UTF-8 cannot hold.
  if (!IsUtf8(out)) {
    complete = false;
    out = QString::fromUtf8(out.data(), static_cast<qsizetype>(out.size())).toStdString();
  }
  return out;
}

std::string DecodeUnlabelled(std::string_view bytes) {
  if (IsUtf8(bytes)) return std::string(bytes);
  std::string out;
  Converter converter("UTF-8", "WINDOWS-1252");
  if (!converter.ok()) {
    // No windows-1252 tables in this C library: Latin-1 loses nothing either.
    for (unsigned char c : bytes)
      c < 0x80 ? out.push_back(static_cast<char>(c)) : AppendLatin1(c, out);
    return out;
  }
  converter.Run(bytes, out, [](unsigned char byte, std::string& o) {
    AppendLatin1(byte, o);
    return true;
  });
  return out;
}

}  // namespace mail
