#include "mail/PartsRead.h"

#include <gmime/gmime.h>

#include "mail/BodyText.h"
#include "mail/GObjectPtr.h"
#include "mail/MessageParser.h"

namespace mail {
namespace {

// A leaf part's content as it stands in the outline, transfer encoding not undone: its label.
std::string Label(GMimeObject* object) {
  GMimeDataWrapper* content = g_mime_part_get_content(GMIME_PART(object));
  GMimeStream* raw = content ? g_mime_data_wrapper_get_stream(content) : nullptr;
  if (!raw) return {};
  GObjectPtr<GMimeStream> copy(g_mime_stream_mem_new());
  g_mime_stream_reset(raw);
  g_mime_stream_write_to_stream(raw, copy.get());
  GByteArray* bytes = g_mime_stream_mem_get_byte_array(GMIME_STREAM_MEM(copy.get()));
  std::string label(reinterpret_cast<const char*>(bytes->data), bytes->len);
  while (!label.empty() && (label.back() == '\n' || label.back() == '\r')) label.pop_back();
  return label;
}

// The labels of the leaf parts below `object`, depth first; false when a multipart has no parts
// or an enclosed message is missing, which no outline holds.
bool CollectLabels(GMimeObject* object, std::vector<std::string>& labels) {
  if (GMIME_IS_MULTIPART(object)) {
    GMimeMultipart* multipart = GMIME_MULTIPART(object);
    const int count = g_mime_multipart_get_count(multipart);
    for (int i = 0; i < count; ++i) {
      if (!CollectLabels(g_mime_multipart_get_part(multipart, i), labels)) return false;
    }
    return count > 0;
  }
  if (GMIME_IS_MESSAGE_PART(object)) {
    GMimeMessage* message = g_mime_message_part_get_message(GMIME_MESSAGE_PART(object));
    GMimeObject* body = message ? g_mime_message_get_mime_part(message) : nullptr;
    return body && CollectLabels(body, labels);
  }
  if (!GMIME_IS_PART(object)) return false;
  labels.push_back(Label(object));
  return true;
}

}  // namespace

std::optional<std::vector<std::string>> LabelsRead(std::string_view outline,
                                                   const std::vector<std::string>& labels) {
  GMimeParserOptions* options = ParserOptions();
  GObjectPtr<GMimeStream> stream(g_mime_stream_mem_new_with_buffer(outline.data(), outline.size()));
  GObjectPtr<GMimeParser> parser(g_mime_parser_new_with_stream(stream.get()));
  GObjectPtr<GMimeMessage> message(g_mime_parser_construct_message(parser.get(), options));
  GMimeObject* body = message ? g_mime_message_get_mime_part(message.get()) : nullptr;
  std::vector<std::string> found;
  if (!body || !CollectLabels(body, found) || found != labels) return std::nullopt;
  std::vector<std::string> read;
  for (GMimeObject* part : ReadableParts(message.get())) {
    if (!GMIME_IS_PART(part)) return std::nullopt;  // a multipart's own text is not outlined
    read.push_back(Label(part));
  }
  return read;
}

}  // namespace mail
