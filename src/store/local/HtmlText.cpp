#include "store/local/HtmlText.h"

#include <QString>
#include <QTextDocument>
#include <QUrl>
#include <QVariant>

namespace store::local {
namespace {

// A mail's HTML must never make us open files: a stylesheet link to a local path (a FIFO, a
// device) would otherwise be read, and could block the export for good.
class DetachedDocument : public QTextDocument {
 protected:
  QVariant loadResource(int, const QUrl&) override { return {}; }
};

}  // namespace

std::string HtmlToPlainText(std::string_view html) {
  DetachedDocument document;
  document.setHtml(QString::fromUtf8(html.data(), static_cast<qsizetype>(html.size())));
  QString text = document.toPlainText();
  // Images and other embedded objects leave a placeholder character behind.
  text.remove(QChar::ObjectReplacementCharacter);
  // The source's own line breaks before the closing tags leave blanks at the end.
  qsizetype end = text.size();
  while (end > 0 && text.at(end - 1).isSpace()) --end;
  text.truncate(end);
  return text.toStdString();
}

}  // namespace store::local
