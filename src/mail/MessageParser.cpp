#include "mail/MessageParser.h"

#include <gmime/gmime.h>

#include <cstring>
#include <functional>
#include <optional>
#include <string_view>
#include <vector>

#include "mail/AddressText.h"
#include "mail/BodyText.h"
#include "mail/Charset.h"
#include "mail/DateText.h"
#include "mail/Envelope.h"
#include "mail/GObjectPtr.h"
#include "mail/LineBreaks.h"
#include "mail/MboxQuoting.h"
#include "mail/UnreadFields.h"

namespace mail {

// GMime registers most of its object types on first use, and that registration is not safe
// against two threads at once; messages are parsed on several. So GMime is started, and every type
// a parse can meet registered, once, before the first parse on any thread.
GMimeParserOptions* ParserOptions() {
  static GMimeParserOptions* options = [] {
    g_mime_init();
    for (GType type : {
             GMIME_TYPE_APPLICATION_PKCS7_MIME,
             GMIME_TYPE_CONTENT_DISPOSITION,
             GMIME_TYPE_CONTENT_TYPE,
             GMIME_TYPE_DATA_WRAPPER,
             GMIME_TYPE_FILTER_BASIC,
             GMIME_TYPE_FILTER_BEST,
             GMIME_TYPE_FILTER_CHARSET,
             GMIME_TYPE_FILTER_DOS2UNIX,
             GMIME_TYPE_FILTER_FROM,
             GMIME_TYPE_FILTER_OPENPGP,
             GMIME_TYPE_FILTER_STRIP,
             GMIME_TYPE_FILTER_UNIX2DOS,
             GMIME_TYPE_FILTER_WINDOWS,
             GMIME_TYPE_FILTER_YENC,
             GMIME_TYPE_HEADER,
             GMIME_TYPE_HEADER_LIST,
             GMIME_TYPE_MESSAGE,
             GMIME_TYPE_MESSAGE_PART,
             GMIME_TYPE_MESSAGE_PARTIAL,
             GMIME_TYPE_MULTIPART,
             GMIME_TYPE_MULTIPART_ENCRYPTED,
             GMIME_TYPE_MULTIPART_SIGNED,
             GMIME_TYPE_OBJECT,
             GMIME_TYPE_PARAM,
             GMIME_TYPE_PARAM_LIST,
             GMIME_TYPE_PARSER,
             GMIME_TYPE_PART,
             GMIME_TYPE_STREAM_BUFFER,
             GMIME_TYPE_STREAM_CAT,
             GMIME_TYPE_STREAM_FILTER,
             GMIME_TYPE_STREAM_FS,
             GMIME_TYPE_STREAM_MEM,
             GMIME_TYPE_STREAM_NULL,
             GMIME_TYPE_TEXT_PART,
             INTERNET_ADDRESS_TYPE_GROUP,
             INTERNET_ADDRESS_TYPE_MAILBOX,
             internet_address_list_get_type(),
             g_mime_format_options_get_type(),
             g_mime_parser_options_get_type(),
             g_mime_references_get_type(),
         }) {
      g_type_ensure(type);
    }
    GMimeParserOptions* o = g_mime_parser_options_new();
    // Raw 8-bit header text: UTF-8 when it is valid, else the usual Western legacy charset.
    const char* fallback[] = {"UTF-8", "windows-1252", nullptr};
    g_mime_parser_options_set_fallback_charsets(o, fallback);
    return o;
  }();
  return options;
}

namespace {

std::string_view View(const GByteArray& bytes) {
  return {reinterpret_cast<const char*>(bytes.data), bytes.len};
}

std::string_view FirstLine(std::string_view text) {
  std::size_t end = text.find('\n');
  return end == std::string_view::npos ? text : text.substr(0, end + 1);
}

// A header field line: a name of printable characters other than ":", then ":".
bool IsHeaderFieldLine(std::string_view line) {
  std::size_t i = 0;
  while (i < line.size() && line[i] > ' ' && line[i] < 127 && line[i] != ':') ++i;
  if (i == 0) return false;
  while (i < line.size() && (line[i] == ' ' || line[i] == '\t')) ++i;
  return i < line.size() && line[i] == ':';
}

// Where the body starts when no empty line ends the header section: at the first line that is
// neither a field line nor a folded one. Nothing when an empty line, or the text's end, comes
// first.
std::optional<std::size_t> UnseparatedBodyStart(std::string_view text) {
  std::size_t at = 0;
  while (at < text.size()) {
    const std::string_view line = FirstLine(text.substr(at));
    if (line == "\n" || line == "\r\n") return std::nullopt;
    if (line[0] != ' ' && line[0] != '\t' && !IsHeaderFieldLine(line)) return at;
    at += line.size();
  }
  return std::nullopt;
}

// The message's bytes as the parser is to read them: `bytes` from `start` on, then `rest` when
// the message goes on in its file, with an empty line put in `bodyStart` bytes on when the header
// section is to end there; the bytes themselves are read in place, not copied.
GObjectPtr<GMimeStream> Joined(GByteArray* bytes, std::size_t start, GMimeStream* rest,
                               std::optional<std::size_t> bodyStart) {
  const auto at = static_cast<gint64>(start), end = static_cast<gint64>(bytes->len);
  GObjectPtr<GMimeStream> whole(g_mime_stream_mem_new_with_byte_array(bytes));
  g_mime_stream_mem_set_owner(GMIME_STREAM_MEM(whole.get()), FALSE);
  g_mime_stream_set_bounds(whole.get(), at, end);
  if (!rest && !bodyStart) return whole;
  std::vector<GObjectPtr<GMimeStream>> parts;
  if (bodyStart) {
    const auto split = at + static_cast<gint64>(*bodyStart);
    const std::string_view text = View(*bytes).substr(start);
    const bool crlf = text.substr(0, *bodyStart).ends_with("\r\n");
    parts.emplace_back(g_mime_stream_substream(whole.get(), at, split));
    parts.emplace_back(g_mime_stream_mem_new_with_buffer(crlf ? "\r\n" : "\n", crlf ? 2 : 1));
    parts.emplace_back(g_mime_stream_substream(whole.get(), split, end));
  } else {
    parts.push_back(std::move(whole));
  }
  if (rest) parts.emplace_back(GMIME_STREAM(g_object_ref(rest)));
  GObjectPtr<GMimeStream> joined(g_mime_stream_cat_new());
  for (const auto& part : parts) {
    g_mime_stream_cat_add_source(GMIME_STREAM_CAT(joined.get()), part.get());
  }
  return joined;
}

// Header bytes are meant to be ASCII; raw 8-bit lines are judged one by one.
std::string DecodeHeaderLines(std::string_view section) {
  if (IsUtf8(section)) return std::string(section);
  std::string out;
  out.reserve(section.size() + section.size() / 8);
  while (!section.empty()) {
    std::string_view line = FirstLine(section);
    out += DecodeUnlabelled(line);
    section.remove_prefix(line.size());
  }
  return out;
}

std::string TransportHeaderText(std::string_view section) {
  std::string text = WithCrLf(DecodeHeaderLines(section));
  if (!text.empty() && !text.ends_with("\r\n")) text += "\r\n";
  return text;
}

std::optional<std::string> MessageIdText(GMimeObject* message) {
  GMimeHeader* header =
      g_mime_header_list_get_header(g_mime_object_get_header_list(message), "Message-ID");
  if (!header) return std::nullopt;
  const char* raw = g_mime_header_get_raw_value(header);
  std::string id;
  for (const char* c = raw ? raw : ""; *c; ++c) {
    if (*c != '\r' && *c != '\n') id += *c;
  }
  std::size_t first = id.find_first_not_of(" \t");
  if (first == std::string::npos) return std::string();
  id = id.substr(first, id.find_last_not_of(" \t") - first + 1);
  return IsUtf8(id) ? id : DecodeUnlabelled(id);
}

std::string HeaderText(const char* decoded) {
  if (!decoded) return {};
  std::string_view view(decoded);
  return WithCrLf(IsUtf8(view) ? std::string(view) : DecodeUnlabelled(view));
}

std::string Recipients(GMimeMessage* message) {
  std::vector<std::string> mailboxes;
  for (auto type : {GMIME_ADDRESS_TYPE_TO, GMIME_ADDRESS_TYPE_CC, GMIME_ADDRESS_TYPE_BCC}) {
    AppendMailboxes(g_mime_message_get_addresses(message, type), mailboxes);
  }
  std::string text;
  for (const std::string& mailbox : mailboxes) {
    if (!text.empty()) text += "; ";
    text += mailbox;
  }
  return WithCrLf(text);
}

// When the message was delivered; the envelope line's time is read only when it is needed, the
// message's own date missing, since reading it looks the time zone up again each time.
struct Delivery {
  std::optional<std::time_t> known;
  std::string envelope;

  std::optional<std::time_t> Time() const { return known ? known : EnvelopeTime(envelope); }
};

std::optional<std::string> DateText(GMimeMessage* message, const Delivery& delivery) {
  if (GDateTime* date = g_mime_message_get_date(message)) {
    if (auto text = LocalDateTimeText(g_date_time_to_unix(date))) return text;
  }
  if (auto delivered = delivery.Time()) return LocalDateTimeText(*delivered);
  return std::nullopt;
}

// A message GMime cannot read, or one without headers: all of it is its body.
MessageFields WholeTextAsBody(std::string_view text, const Delivery& delivery) {
  MessageFields fields;
  fields.body = WithCrLf(DecodeUnlabelled(text));
  if (auto delivered = delivery.Time()) fields.date = LocalDateTimeText(*delivered);
  return fields;
}

// Parses a message from `bytes`: the whole message, or, with `rest`, its first bytes up to past
// its header section's empty line, the stream `rest` giving the others. `whole` reads the whole
// message for the few messages only its whole text can give.
MessageFields Parse(Bytes bytes, GMimeStream* rest, bool fromMbox, Delivery delivered,
                    const std::function<Bytes()>& whole) {
  GMimeParserOptions* options = ParserOptions();
  // The message is the bytes from `start` on: an envelope line before it is passed over, and so
  // are the fields taken out below, without moving the body.
  std::size_t start = 0;
  std::string_view envelope = FirstLine(View(*bytes));
  if (IsEnvelopeLine(envelope)) {
    if (!delivered.known) delivered.envelope = envelope;
    start = envelope.size();
  }
  if (fromMbox) UnquoteFromLines(*bytes, start);

  if (!IsHeaderFieldLine(FirstLine(View(*bytes).substr(start)))) {
    if (rest) return Parse(whole(), nullptr, fromMbox, delivered, whole);
    return WholeTextAsBody(View(*bytes).substr(start), delivered);
  }

  // The parser reads the message without the fields no record needs; `original` gives it whole.
  std::string section;
  bool received = false;
  const std::size_t dropped = DropUnreadFields(*bytes, start, section, received);
  start += dropped;
  const std::string_view text = View(*bytes).substr(start);
  auto original = [&] {
    return dropped == 0 ? std::string(text)
                        : section + std::string(text.substr(section.size() - dropped));
  };

  // The streams read the bytes in place; `bytes` outlives every GMime object below. A section
  // that lost fields ended in an empty line; any other may run straight into the body.
  GObjectPtr<GMimeStream> stream =
      Joined(bytes.get(), start, rest, dropped == 0 ? UnseparatedBodyStart(text) : std::nullopt);
  // Where the parser starts, which the offsets it gives count from.
  const gint64 origin = g_mime_stream_tell(stream.get());
  GObjectPtr<GMimeParser> parser(g_mime_parser_new_with_stream(stream.get()));
  GObjectPtr<GMimeMessage> message(g_mime_parser_construct_message(parser.get(), options));
  if (!message) {
    if (rest) return Parse(whole(), nullptr, fromMbox, delivered, whole);
    return WholeTextAsBody(original(), delivered);
  }

  MessageFields fields;
  GMimeObject* object = GMIME_OBJECT(message.get());
  if (received || g_mime_header_list_contains(g_mime_object_get_header_list(object), "Received")) {
    // The header section always lies within `bytes`.
    const gint64 end = g_mime_parser_get_headers_end(parser.get());
    const std::size_t held = text.size() + dropped;
    const std::size_t size = end < 0 ? held : std::min<std::size_t>(end - origin + dropped, held);
    if (dropped == 0) {
      fields.transportHeaders = TransportHeaderText(text.substr(0, size));
    } else if (size <= section.size()) {
      fields.transportHeaders = TransportHeaderText(std::string_view(section).substr(0, size));
    } else {
      fields.transportHeaders = TransportHeaderText(std::string_view(original()).substr(0, size));
    }
  }
  fields.messageId = MessageIdText(object);
  fields.subject = HeaderText(g_mime_message_get_subject(message.get()));
  std::vector<std::string> from;
  AppendMailboxes(g_mime_message_get_from(message.get()), from);
  if (!from.empty()) fields.sender = WithCrLf(from.front());
  fields.recipients = Recipients(message.get());
  fields.date = DateText(message.get(), delivered);
  fields.body = ReadableBodyText(message.get());
  return fields;
}

// Where the header section's empty line ends in `text`, if it holds one.
std::optional<std::size_t> HeaderSectionEnd(std::string_view text) {
  if (text.starts_with("\n")) return 1;
  if (text.starts_with("\r\n")) return 2;
  const std::size_t lf = text.find("\n\n"), crlf = text.find("\n\r\n");
  if (lf == std::string_view::npos && crlf == std::string_view::npos) return std::nullopt;
  return lf < crlf ? lf + 2 : crlf + 3;
}

// Whether a line of the file's bytes [from, size), `from` a line's start, is a quoted "From "
// line, which only the whole message in memory can unquote. Read a piece at a time.
bool HasQuotedFromLines(const MessageFile& file, std::size_t from) {
  constexpr std::size_t kPiece = 1 << 20, kOverlap = 256;
  for (std::size_t at = from; at < file.size; at += kPiece) {
    const Bytes piece = file.read(at, std::min(file.size, at + kPiece + kOverlap));
    const std::string_view bytes = View(*piece);
    const std::size_t own = std::min(bytes.size(), kPiece);
    // A line that starts at the piece's end is looked at here, in the overlap, not in the next.
    for (std::size_t line = 0; line <= own && line < bytes.size();) {
      if (bytes[line] == '>' && (line > 0 || at == from)) {
        const std::size_t text = bytes.find_first_not_of('>', line);
        // A run of ">" past the overlap may be one: the whole message is read to be sure.
        if (text == std::string_view::npos || bytes.substr(text).starts_with("From ")) return true;
      }
      const std::size_t newline = bytes.find('\n', line);
      if (newline == std::string_view::npos) break;
      line = newline + 1;
    }
  }
  return false;
}

// A message in its file: its first bytes, up to a little past its header section, are read into
// memory and the parser reads on from the file. The whole message is read into memory only when
// its header section is very long or has no end, and for an mbox message with quoted "From " lines.
MessageFields ParseInFile(MessageFile file, bool fromMbox, const Delivery& delivered) {
  constexpr std::size_t kLongestHead = 16 << 20, kMargin = 64;
  auto whole = [&file] { return file.read(0, file.size); };
  Bytes head;
  std::optional<std::size_t> headerEnd;
  for (std::size_t want = kReadWhole;; want *= 4) {
    head = file.read(0, std::min(want, file.size));
    if (head->len == file.size) return Parse(std::move(head), nullptr, fromMbox, delivered, whole);
    headerEnd = HeaderSectionEnd(View(*head));
    if (headerEnd && *headerEnd + kMargin <= head->len) break;
    if (want >= kLongestHead) return Parse(whole(), nullptr, fromMbox, delivered, whole);
  }
  if (fromMbox && HasQuotedFromLines(file, *headerEnd)) {
    return Parse(whole(), nullptr, fromMbox, delivered, whole);
  }
  const gint64 start = file.stream->bound_start;
  GObjectPtr<GMimeStream> rest(g_mime_stream_substream(file.stream.get(), start + head->len,
                                                       start + static_cast<gint64>(file.size)));
  return Parse(std::move(head), rest.get(), fromMbox, delivered, whole);
}

}  // namespace

MessageFile MessageInFile(int fd, std::size_t begin, std::size_t end,
                          std::function<Bytes(std::size_t from, std::size_t to)> read) {
  ParserOptions();
  MessageFile file;
  // The stream closes the file when the last of it, and of the parts read from it, goes. It
  // reads with read(2), never a mapping: a file cut short under it reads short, where a mapping
  // would kill the program with SIGBUS.
  file.stream.reset(
      g_mime_stream_fs_new_with_bounds(fd, static_cast<gint64>(begin), static_cast<gint64>(end)));
  file.size = end - begin;
  file.read = std::move(read);
  return file;
}

MessageFields ParseMessage(RawMessage raw) {
  const Delivery delivered{raw.deliveryTime, {}};
  if (raw.file) return ParseInFile(std::move(*raw.file), raw.fromMbox, delivered);
  return Parse(std::move(raw.bytes), nullptr, raw.fromMbox, delivered, nullptr);
}

}  // namespace mail
