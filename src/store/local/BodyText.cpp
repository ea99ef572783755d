#include "store/local/BodyText.h"

#include <algorithm>
#include <string_view>

#include "store/local/GObjectPtr.h"
#include "store/local/HtmlText.h"
#include "store/local/Text.h"

namespace store::local {
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

GMimeObject* FindText(GMimeObject* object, int depth);

// The plain alternative, else the first one that renders to text (HTML).
GMimeObject* FromAlternatives(GMimeMultipart* alternatives, int depth) {
  GMimeObject* fallback = nullptr;
  const int count = g_mime_multipart_get_count(alternatives);
  for (int i = 0; i < count; ++i) {
    GMimeObject* found = FindText(g_mime_multipart_get_part(alternatives, i), depth + 1);
    if (!found) continue;
    if (IsPlain(found)) return found;
    if (!fallback) fallback = found;
  }
  return fallback;
}

// The first inline text part, looking into nested multiparts on the way.
GMimeObject* FirstInline(GMimeMultipart* multipart, int depth) {
  const int count = g_mime_multipart_get_count(multipart);
  for (int i = 0; i < count; ++i) {
    GMimeObject* part = g_mime_multipart_get_part(multipart, i);
    if (IsAttachment(part)) continue;
    if (GMimeObject* found = FindText(part, depth + 1)) return found;
  }
  return nullptr;
}

GMimeObject* FindText(GMimeObject* object, int depth) {
  // GMime bounds the nesting it builds; this bound keeps the walk cheap regardless.
  if (!object || depth > 64) return nullptr;
  if (GMIME_IS_MULTIPART_ENCRYPTED(object)) return nullptr;
  if (GMIME_IS_MULTIPART(object)) {
    GMimeMultipart* multipart = GMIME_MULTIPART(object);
    if (IsType(object, "multipart", "alternative")) return FromAlternatives(multipart, depth);
    return FirstInline(multipart, depth);
  }
  return IsReadableText(object) ? object : nullptr;
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

bool IsAscii(std::string_view bytes) {
  return std::none_of(bytes.begin(), bytes.end(), [](char c) { return c & 0x80; });
}

// The bytes as UTF-8: themselves when they are UTF-8 already, else converted into `converted`.
std::string_view ToUtf8(std::string_view bytes, const char* declared, std::string& converted) {
  bool complete = true;
  if (declared && *declared) {
    const char* name = g_mime_charset_iconv_name(declared);
    bool utf8 = g_ascii_strcasecmp(name, "UTF-8") == 0 || g_ascii_strcasecmp(name, "US-ASCII") == 0;
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

}  // namespace

std::string ReadableBodyText(GMimeMessage* message) {
  GMimeObject* root = g_mime_message_get_mime_part(message);
  if (!root) return {};
  GMimeObject* part = nullptr;
  if (GMIME_IS_PART(root)) {
    // A single-part message is its body whatever its disposition; any text/* subtype reads.
    if (IsText(root, "*")) part = root;
  } else {
    part = FindText(root, 0);
  }
  if (!part && GMIME_IS_MULTIPART(root) && g_mime_multipart_get_count(GMIME_MULTIPART(root)) == 0) {
    // A multipart without a boundary cannot be split: its whole text is the prologue.
    const char* text = g_mime_multipart_get_prologue(GMIME_MULTIPART(root));
    return WithCrLf(DecodeUnlabelled(text ? text : ""));
  }
  if (!part) return {};
  const char* charset = HasInvalidContentType(part)
                            ? "us-ascii"
                            : g_mime_object_get_content_type_parameter(part, "charset");
  std::string_view bytes;
  GObjectPtr<GMimeStream> content = DecodedContent(GMIME_PART(part), bytes);
  std::string converted;
  std::string_view text = ToUtf8(bytes, charset, converted);
  if (IsType(part, "text", "html")) return WithCrLf(HtmlToPlainText(text));
  return WithCrLf(text);
}

}  // namespace store::local
