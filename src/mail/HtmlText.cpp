#include "mail/HtmlText.h"

#include <QString>
#include <QTextDocument>
#include <QUrl>
#include <QVariant>
#include <mutex>

#include "mail/HtmlNesting.h"
#include "mail/SimpleHtmlText.h"
#include "mail/StreamedHtmlText.h"

namespace mail {
namespace {

// A mail's HTML must never make us open files: a stylesheet link to a local path (a FIFO, a
// device) would otherwise be read, and could block the export for good.
class DetachedDocument : public QTextDocument {
 protected:
  QVariant loadResource(int, const QUrl&) override { return {}; }
};

// A rich-text document takes many times its HTML's size while it is built. Messages are parsed on
// several threads; the rare large HTML body waits for any other one, so that the peak memory of
// an export is that of one large document, however many threads parse.
constexpr std::size_t kLargeHtml = 64 * 1024;
std::mutex largeDocument;

// Beyond these a document would take hundreds of megabytes (about a kilobyte a tag, ten times the
// text), and a hostile or broken body could exhaust the machine's memory: such HTML is read in one
// pass instead.
constexpr std::size_t kLargestDocument = 8 << 20;
constexpr std::size_t kMostTags = 100000;

bool TooLargeForDocument(std::string_view html) {
  if (html.size() > kLargestDocument) return true;
  std::size_t tags = 0;
  for (std::size_t at = html.find('<'); at != std::string_view::npos; at = html.find('<', at + 1))
    if (++tags > kMostTags) return true;
  return false;
}

// CR LF and a lone CR as LF. Line ends mean the same in HTML whichever they are, but the document
// keeps a blank for each CR; without this a message read over IMAP (always CR LF) would differ
// from its LF file.
std::string WithLfLineEnds(std::string_view html) {
  std::string lf;
  lf.reserve(html.size());
  for (std::size_t i = 0; i < html.size(); ++i) {
    if (html[i] != '\r') {
      lf += html[i];
    } else if (i + 1 == html.size() || html[i + 1] != '\n') {
      lf += '\n';
    }
  }
  return lf;
}

}  // namespace

std::string HtmlToPlainText(std::string_view html) {
  if (html.find('\r') != std::string_view::npos) return HtmlToPlainText(WithLfLineEnds(html));
  // Building a document is most of the cost of an HTML body; the commonest forms need none.
  if (std::optional<std::string> text = SimpleHtmlText(html)) return std::move(*text);
  if (TooLargeForDocument(html)) return StreamedHtmlText(html);
  return DocumentHtmlText(html);
}

std::string DocumentHtmlText(std::string_view html) {
  std::unique_lock lock(largeDocument, std::defer_lock);
  if (html.size() > kLargeHtml) lock.lock();
  // Real mail nests a few dozen levels deep; anything far deeper is broken or hostile.
  const std::string limited = LimitNesting(html, 256);
  DetachedDocument document;
  const QString source = QString::fromUtf8(limited.data(), static_cast<qsizetype>(limited.size()));
  document.setHtml(source);
  QString text = document.toPlainText();
  // Images and other embedded objects leave a placeholder character behind.
  text.remove(QChar::ObjectReplacementCharacter);
  // The source's own line breaks before the closing tags leave blanks at the end.
  qsizetype end = text.size();
  while (end > 0 && text.at(end - 1).isSpace()) --end;
  text.truncate(end);
  return text.toStdString();
}

}  // namespace mail
