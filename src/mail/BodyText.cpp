#include "mail/BodyText.h"

#include <algorithm>
#include <cstdint>
#include <memory>
#include <optional>
#include <string_view>
#include <utility>
#include <vector>

#include "mail/Charset.h"
#include "mail/GObjectPtr.h"
#include "mail/HtmlText.h"
#include "mail/LineBreaks.h"

namespace mail {
namespace {

bool IsType(GMimeObject* object, const char* type, const char* subtype) {
  return g_mime_content_type_is_type(g_mime_object_get_content_type(object), type, subtype);
}

// Whether GMime reads `value` as a media type at all: it takes one it cannot read for
// application/octet-stream, and says so only through the parser options' warnings.
bool IsReadableContentType(const char* value) {
  thread_local bool unreadable = false;
  static GMimeParserOptions* checking = [] {
    GMimeParserOptions* options = g_mime_parser_options_new();
    g_mime_parser_options_set_warning_callback(
        options,
        [](gint64, GMimeParserWarning warning, const gchar*, gpointer) {
          if (warning == GMIME_WARN_INVALID_CONTENT_TYPE) unreadable = true;
        },
        nullptr);
    return options;
  }();
  unreadable = false;
  GObjectPtr<GMimeContentType> type(g_mime_content_type_parse(checking, value));
  return !unreadable;
}

// A Content-Type that is no media type means text/plain in US-ASCII. GMime leaves such a part
// application/octet-stream, or keeps an empty type or subtype as it stands.
bool HasInvalidContentType(GMimeObject* object) {
  GMimeContentType* type = g_mime_object_get_content_type(object);
  const char* media = g_mime_content_type_get_media_type(type);
  const char* subtype = g_mime_content_type_get_media_subtype(type);
  if (!media || !*media || !subtype || !*subtype) return true;
  if (!g_mime_content_type_is_type(type, "application", "octet-stream")) return false;
  const char* value = g_mime_object_get_header(object, "Content-Type");
  return value && !IsReadableContentType(value);
}

// A leaf part's text type: its own, or text/plain for a Content-Type that is none.
bool IsText(GMimeObject* object, const char* subtype) {
  if (!GMIME_IS_PART(object)) return false;
  if (IsType(object, "text", subtype)) return true;
  return (*subtype == '*' || g_ascii_strcasecmp(subtype, "plain") == 0) &&
         HasInvalidContentType(object);
}

bool IsAttachment(GMimeObject* object) {
  GMimeContentDisposition* disposition = g_mime_object_get_content_disposition(object);
  return disposition && g_mime_content_disposition_is_attachment(disposition);
}

bool IsPlain(GMimeObject* object) { return IsText(object, "plain"); }

bool IsReadableText(GMimeObject* object) {
  return IsText(object, "plain") || IsText(object, "html");
}

// The pieces of a body, in reading order: text parts, and multiparts without a boundary, which
// cannot be split and read as their whole text.
using Pieces = std::vector<GMimeObject*>;

void CollectText(GMimeObject* object, int depth, Pieces& pieces);

// The plain alternative's pieces, else those of the first one that renders to text (HTML).
void CollectAlternative(GMimeMultipart* alternatives, int depth, Pieces& pieces) {
  Pieces fallback;
  const int count = g_mime_multipart_get_count(alternatives);
  for (int i = 0; i < count; ++i) {
    Pieces found;
    CollectText(g_mime_multipart_get_part(alternatives, i), depth + 1, found);
    if (found.empty()) continue;
    if (IsPlain(found.front())) {
      fallback = std::move(found);
      break;
    }
    if (fallback.empty()) fallback = std::move(found);
  }
  pieces.insert(pieces.end(), fallback.begin(), fallback.end());
}

// A message's body: a single part whatever its disposition, where any text/* subtype reads.
void CollectMessage(GMimeMessage* message, int depth, Pieces& pieces) {
  GMimeObject* root = message ? g_mime_message_get_mime_part(message) : nullptr;
  if (!root) return;
  if (GMIME_IS_PART(root)) {
    if (IsText(root, "*")) pieces.push_back(root);
    return;
  }
  const std::size_t before = pieces.size();
  CollectText(root, depth, pieces);
  if (pieces.size() == before && GMIME_IS_MULTIPART(root) &&
      g_mime_multipart_get_count(GMIME_MULTIPART(root)) == 0) {
    pieces.push_back(root);
  }
}

// Every inline part of a mixed multipart is read in turn, each enclosed message of a digest too;
// of any other kind (related, signed, ...) only the first inline part that has text.
void CollectParts(GMimeMultipart* multipart, int depth, Pieces& pieces) {
  GMimeObject* object = GMIME_OBJECT(multipart);
  const bool digest = IsType(object, "multipart", "digest");
  const bool every = digest || IsType(object, "multipart", "mixed");
  const int count = g_mime_multipart_get_count(multipart);
  for (int i = 0; i < count; ++i) {
    GMimeObject* part = g_mime_multipart_get_part(multipart, i);
    if (IsAttachment(part)) continue;
    const std::size_t before = pieces.size();
    if (digest && GMIME_IS_MESSAGE_PART(part)) {
      CollectMessage(g_mime_message_part_get_message(GMIME_MESSAGE_PART(part)), depth + 1, pieces);
    } else {
      CollectText(part, depth + 1, pieces);
    }
    if (!every && pieces.size() > before) return;
  }
}

void CollectText(GMimeObject* object, int depth, Pieces& pieces) {
  // GMime bounds the nesting it builds; this bound keeps the walk cheap regardless.
  if (!object || depth > 64) return;
  if (GMIME_IS_MULTIPART_ENCRYPTED(object)) return;
  if (GMIME_IS_MULTIPART(object)) {
    GMimeMultipart* multipart = GMIME_MULTIPART(object);
    if (IsType(object, "multipart", "alternative")) {
      CollectAlternative(multipart, depth, pieces);
    } else {
      CollectParts(multipart, depth, pieces);
    }
  } else if (IsReadableText(object)) {
    pieces.push_back(object);
  }
}

// The part's content with its transfer encoding undone, held by the returned stream.
GObjectPtr<GMimeStream> DecodedContent(GMimePart* part, std::string_view& bytes) {
  GObjectPtr<GMimeStream> out(g_mime_stream_mem_new());
  if (GMimeDataWrapper* content = g_mime_part_get_content(part)) {
    g_mime_data_wrapper_write_to_stream(content, out.get());
  }
  GByteArray* array = g_mime_stream_mem_get_byte_array(GMIME_STREAM_MEM(out.get()));
  bytes = std::string_view(reinterpret_cast<const char*>(array->data), array->len);
  return out;
}

// The part's content with its transfer encoding undone, read a piece at a time, as the part's
// data wrapper decodes it whole.
class ContentReader {
 public:
  ContentReader(GMimePart* part, std::size_t pieceSize) : pieceSize_(pieceSize) {
    GMimeDataWrapper* content = g_mime_part_get_content(part);
    source_ = content ? g_mime_data_wrapper_get_stream(content) : nullptr;
    if (!source_) return;
    g_mime_stream_reset(source_);
    // Decoding never lengthens content: a part smaller than a piece is read into room its size.
    const gint64 length = g_mime_stream_length(source_);
    if (length >= 0) firstRead_ = std::min(pieceSize_, static_cast<std::size_t>(length) + 1);
    switch (g_mime_data_wrapper_get_encoding(content)) {
      case GMIME_CONTENT_ENCODING_BASE64:
      case GMIME_CONTENT_ENCODING_QUOTEDPRINTABLE:
      case GMIME_CONTENT_ENCODING_UUENCODE: {
        stream_.reset(g_mime_stream_filter_new(source_));
        GObjectPtr<GMimeFilter> filter(
            g_mime_filter_basic_new(g_mime_data_wrapper_get_encoding(content), FALSE));
        g_mime_stream_filter_add(GMIME_STREAM_FILTER(stream_.get()), filter.get());
        break;
      }
      default:
        stream_.reset(GMIME_STREAM(g_object_ref(source_)));
    }
  }
  ~ContentReader() {
    if (source_) g_mime_stream_reset(source_);
  }
  ContentReader(const ContentReader&) = delete;
  ContentReader& operator=(const ContentReader&) = delete;

  // The next piece, or what is left when that is less; `last` when nothing follows it.
  std::string_view Next(bool& last) {
    std::size_t filled = 0;
    last = !stream_ || g_mime_stream_eos(stream_.get());
    while (!last && filled < pieceSize_) {
      if (filled == piece_.size()) {
        piece_.resize(std::min(pieceSize_, std::max(firstRead_, 2 * piece_.size())));
      }
      const ssize_t read =
          g_mime_stream_read(stream_.get(), piece_.data() + filled, piece_.size() - filled);
      if (read > 0) filled += static_cast<std::size_t>(read);
      last = read < 0 || g_mime_stream_eos(stream_.get());
    }
    return std::string_view(piece_.data(), filled);
  }

 private:
  std::size_t pieceSize_;
  std::size_t firstRead_ = 65536;
  GMimeStream* source_ = nullptr;
  GObjectPtr<GMimeStream> stream_;
  std::string piece_;
};

// Whether iconv's name for a declared charset means the bytes are UTF-8 as they stand.
bool IsUtf8Name(const char* name) {
  return g_ascii_strcasecmp(name, "UTF-8") == 0 || g_ascii_strcasecmp(name, "US-ASCII") == 0;
}

bool IsAscii(std::string_view bytes) {
  return std::none_of(bytes.begin(), bytes.end(), [](char c) { return c & 0x80; });
}

// The bytes as UTF-8: themselves when they are UTF-8 already, else converted into `converted`.
std::string_view ToUtf8(std::string_view bytes, const char* declared, std::string& converted) {
  bool complete = true;
  if (declared && *declared) {
    const char* name = g_mime_charset_iconv_name(declared);
    const bool utf8 = IsUtf8Name(name);
    if (utf8 && IsUtf8(bytes)) return bytes;
    if (!utf8) {
      // Only the bytes the charset cannot read are lost; but 8-bit bytes it cannot read that are
      // valid UTF-8 are UTF-8.
      if (auto text = DecodeReplacingInvalid(bytes, name, complete)) {
        if (complete || !IsUtf8(bytes) || IsAscii(bytes)) return converted = std::move(*text);
      }
    }
  }
  // Missing, unknown or wrongly declared: judge by the bytes themselves. UTF-8 with a few invalid
  // bytes loses only those; 8-bit bytes that are no UTF-8 at all are a legacy charset's.
  if (IsUtf8(bytes)) return bytes;
  if (auto text = DecodeReplacingInvalid(bytes, "UTF-8", complete)) {
    return converted = std::move(*text);
  }
  return converted = DecodeUnlabelled(bytes);
}

// Texts follow each other with one empty line between them.
void StartText(std::string& body) {
  if (!body.empty()) body += body.ends_with("\r\n") ? "\r\n" : "\r\n\r\n";
}

// A way of reading content as UTF-8 text: the bytes as they are, or decoded from a charset.
struct Way {
  const char* charset = nullptr;
  TextDecoder::Invalid invalid = TextDecoder::Invalid::kReplace;
};

// Content read one way with CR LF line breaks, a piece at a time.
class PieceReading {
 public:
  explicit PieceReading(Way way) {
    if (way.charset) decoder_ = std::make_unique<TextDecoder>(way.charset, way.invalid);
  }

  TextDecoder* decoder() { return decoder_.get(); }

  // Appends the piece's text to `out`.
  void Feed(std::string_view piece, bool last, std::string& out) {
    if (decoder_) {
      decoded_.clear();
      decoder_->Decode(piece, last, decoded_);
      piece = decoded_;
    }
    lines_.Append(piece, out);
    if (last) lines_.Finish(out);
  }

  // The size of the piece's text, which is not kept.
  std::size_t Measure(std::string_view piece, bool last) {
    measured_.clear();
    Feed(piece, last, measured_);
    return measured_.size();
  }

 private:
  std::unique_ptr<TextDecoder> decoder_;
  std::string decoded_, measured_;
  CrLfWriter lines_;
};

// Reads the part's content once, handing each piece to `feed(piece, last)`.
template <class Feed>
void EachPiece(GMimePart* part, std::size_t pieceSize, Feed feed) {
  ContentReader reader(part, pieceSize);
  for (bool last = false; !last;) {
    const std::string_view piece = reader.Next(last);
    feed(piece, last);
  }
}

// The size of the text the part's content gives read one way; `readable` tells whether that way
// reads it at all (see TextDecoder::readable).
std::size_t Measure(GMimePart* part, std::size_t pieceSize, Way way, bool& readable) {
  PieceReading reading(way);
  std::size_t size = 0;
  EachPiece(part, pieceSize,
            [&](std::string_view piece, bool last) { size += reading.Measure(piece, last); });
  readable = !reading.decoder() || reading.decoder()->readable();
  return size;
}

// Appends the text of a part whose content is larger than one piece: what ToUtf8 and
// AppendWithCrLf give for the whole content, holding no more of it than a piece besides the
// body. The first reading judges the content as ToUtf8 does and measures the text; one more may
// be needed to measure a way of reading it found only then; the last appends the text, in room
// made for all of it at once.
void AppendLargeText(GMimePart* part, const char* declared, std::size_t pieceSize,
                     std::string& body) {
  const char* name = declared && *declared ? g_mime_charset_iconv_name(declared) : nullptr;
  const bool utf8Declared = name && IsUtf8Name(name);
  Utf8Check utf8;
  bool ascii = true;
  PieceReading asIs(Way{});
  std::size_t asIsSize = 0, declaredSize = 0;
  std::optional<PieceReading> inDeclared;
  if (name && !utf8Declared) inDeclared.emplace(Way{name});
  if (inDeclared && !inDeclared->decoder()->ok()) inDeclared.reset();
  EachPiece(part, pieceSize, [&](std::string_view piece, bool last) {
    utf8.Add(piece);
    ascii = ascii && IsAscii(piece);
    asIsSize += asIs.Measure(piece, last);
    if (inDeclared) declaredSize += inDeclared->Measure(piece, last);
  });

  std::optional<std::pair<Way, std::size_t>> chosen;
  if (utf8Declared && utf8.Valid()) chosen.emplace(Way{}, asIsSize);
  if (!chosen && inDeclared) {
    // Only the bytes the charset cannot read are lost; but 8-bit bytes it cannot read that are
    // valid UTF-8 are UTF-8.
    const TextDecoder& decoder = *inDeclared->decoder();
    if (decoder.readable() && (decoder.complete() || !utf8.Valid() || ascii)) {
      chosen.emplace(Way{name}, declaredSize);
    }
  }
  // Missing, unknown or wrongly declared: judged by the bytes themselves.
  if (!chosen && utf8.Valid()) chosen.emplace(Way{}, asIsSize);
  bool readable = false;
  if (!chosen) {
    // UTF-8 with a few invalid bytes loses only those; 8-bit bytes that are no UTF-8 at all are a
    // legacy charset's.
    const std::size_t size = Measure(part, pieceSize, Way{"UTF-8"}, readable);
    if (readable) chosen.emplace(Way{"UTF-8"}, size);
  }
  if (!chosen) {
    const Way unlabelled{kUnlabelledCharset, TextDecoder::Invalid::kLatin1};
    chosen.emplace(unlabelled, Measure(part, pieceSize, unlabelled, readable));
  }

  const auto [way, size] = *chosen;
  if (size == 0) return;
  StartText(body);
  body.reserve(body.size() + size);
  PieceReading reading(way);
  EachPiece(part, pieceSize,
            [&](std::string_view piece, bool last) { reading.Feed(piece, last, body); });
}

}  // namespace

std::vector<GMimeObject*> ReadableParts(GMimeMessage* message) {
  Pieces pieces;
  CollectMessage(message, 0, pieces);
  return pieces;
}

std::string ReadableBodyText(GMimeMessage* message, std::size_t pieceSize) {
  std::string body;
  for (GMimeObject* part : ReadableParts(message)) {
    std::string converted;
    std::string_view text;
    std::optional<ContentReader> content;
    GObjectPtr<GMimeStream> whole;
    if (GMIME_IS_MULTIPART(part)) {
      const char* prologue = g_mime_multipart_get_prologue(GMIME_MULTIPART(part));
      text = converted = DecodeUnlabelled(prologue ? prologue : "");
    } else {
      const char* charset = HasInvalidContentType(part)
                                ? "us-ascii"
                                : g_mime_object_get_content_type_parameter(part, "charset");
      std::string_view bytes;
      if (IsType(part, "text", "html")) {
        // HTML is rendered from its whole text.
        whole = DecodedContent(GMIME_PART(part), bytes);
        text = ToUtf8(bytes, charset, converted);
        text = converted = HtmlToPlainText(text);
      } else {
        content.emplace(GMIME_PART(part), pieceSize);
        bool last = false;
        bytes = content->Next(last);
        if (!last) {
          content.reset();
          AppendLargeText(GMIME_PART(part), charset, pieceSize, body);
          continue;
        }
        text = ToUtf8(bytes, charset, converted);
      }
    }
    if (text.empty()) continue;
    StartText(body);
    AppendWithCrLf(text, body);
  }
  return body;
}

}  // namespace mail
