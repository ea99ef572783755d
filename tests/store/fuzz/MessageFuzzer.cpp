// Feeds arbitrary bytes to the message reader, as a maildir file and as an mbox file (whose
// messages' bytes, kept as the scan goes, must be those the file holds where they lie), and reads
// every field of every message found, also on two threads at once, as an export's workers do. Any
// input must give valid UTF-8 text with CR LF line breaks, without a crash, a hang or a leak. The
// bytes read as HTML must give the rich-text document's text whenever the short way takes them.

#include <sys/mman.h>
#include <unistd.h>

#include <QGuiApplication>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string_view>
#include <thread>

#include "mail/FolderName.h"
#include "mail/HtmlText.h"
#include "mail/MessageParser.h"
#include "mail/RtfText.h"
#include "mail/SimpleHtmlText.h"
#include "mail/Charset.h"
#include "store/mbox/MboxScanner.h"

using namespace mail;
using store::mbox::FileBytes;
using store::mbox::MboxScanner;
using store::reading::FileDescriptor;

namespace {

void Check(const std::string& text, const char* field) {
  bool lineBreaksOk = true;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r' && (i + 1 == text.size() || text[i + 1] != '\n')) lineBreaksOk = false;
    if (text[i] == '\n' && (i == 0 || text[i - 1] != '\r')) lineBreaksOk = false;
  }
  if (!IsUtf8(text) || !lineBreaksOk) {
    std::fprintf(stderr, "%s is not UTF-8 text with CR LF line breaks\n", field);
    std::abort();
  }
}

void Check(const std::optional<std::string>& text, const char* field) {
  if (text) Check(*text, field);
}

void ReadAllFields(RawMessage raw) {
  MessageFields fields = ParseMessage(std::move(raw));
  Check(fields.transportHeaders, "transport headers");
  Check(fields.messageId, "Message-ID");
  Check(fields.body, "body");
  Check(fields.subject, "subject");
  Check(fields.sender, "sender");
  Check(fields.recipients, "recipients");
  Check(fields.date, "date");
}

Bytes Copy(const std::uint8_t* data, std::size_t size) {
  Bytes bytes(g_byte_array_sized_new(static_cast<guint>(size)));
  g_byte_array_append(bytes.get(), data, static_cast<guint>(size));
  return bytes;
}

void AsMboxFile(const std::uint8_t* data, std::size_t size) {
  FileDescriptor file(memfd_create("mbox", MFD_CLOEXEC));
  if (file.get() < 0 || ::write(file.get(), data, size) != static_cast<ssize_t>(size)) std::abort();
  const off_t end = static_cast<off_t>(size);
  FileBytes bytes(file, "mbox", end), again(file, "mbox", end);
  // A scanner that keeps each message's bytes, as for a compressed file, beside one that does not.
  MboxScanner scanner(bytes), keeping(again, true);
  MboxScanner::Span span, kept;
  off_t last = -1;
  while (scanner.Next(span)) {
    if (!keeping.Next(kept) || kept.begin != span.begin || kept.end != span.end) std::abort();
    if (span.begin <= last || span.end < span.begin || span.end > static_cast<off_t>(size)) {
      std::abort();
    }
    // Every message but text before the first envelope line starts at an envelope line that
    // opens the file or follows an empty line.
    std::string_view text(reinterpret_cast<const char*>(data), size);
    std::string_view before = text.substr(0, span.begin);
    bool afterEmptyLine = before.empty() || before == "\n" || before == "\r\n" ||
                          before.ends_with("\n\n") || before.ends_with("\n\r\n");
    if (span.begin > 0 && (!text.substr(span.begin).starts_with("From ") || !afterEmptyLine)) {
      std::fprintf(stderr, "a message starts at %lld, which is no envelope line\n",
                   static_cast<long long>(span.begin));
      std::abort();
    }
    last = span.begin;
    Bytes read = ReadRange(file, "mbox", span.begin, span.end), held = keeping.Bytes(kept);
    if (held->len != read->len || std::memcmp(held->data, read->data, read->len) != 0) {
      std::fprintf(stderr, "the bytes kept of the message at %lld differ\n",
                   static_cast<long long>(span.begin));
      std::abort();
    }
    ReadAllFields(RawMessage{std::move(read), true, {}});
  }
  if (keeping.Next(kept)) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  // HTML bodies are read with Qt's rich-text document, which needs a QGuiApplication. Qt takes
  // options out of argv; libFuzzer keeps its own.
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  static int argc = 1;
  static char name[] = "message_fuzzer";
  static char* argv[] = {name, nullptr};
  static QGuiApplication application(argc, argv);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  ReadAllFields(RawMessage{Copy(data, size), false, 1700000000});
  std::thread other([&] { ReadAllFields(RawMessage{Copy(data, size), false, 1700000000}); });
  ReadAllFields(RawMessage{Copy(data, size), false, {}});
  other.join();

  const std::string_view html(reinterpret_cast<const char*>(data), size);
  if (IsUtf8(html)) {
    if (std::optional<std::string> text = SimpleHtmlText(html)) {
      if (*text != DocumentHtmlText(html)) {
        std::fprintf(stderr, "the short way through simple HTML gave another text\n");
        std::abort();
      }
    }
  }
  AsMboxFile(data, size);
  // RTF bodies of personal folder files: any bytes give UTF-8 text.
  if (!IsUtf8(mail::RtfToPlainText(html))) std::abort();
  std::string name = DecodeMailboxName(
      std::string_view(reinterpret_cast<const char*>(data), std::min<std::size_t>(size, 255)));
  if (!IsUtf8(name)) std::abort();
  return 0;
}
