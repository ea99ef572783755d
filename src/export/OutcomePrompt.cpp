#include "export/OutcomePrompt.h"

#include <QStringList>

#include "export/RecordText.h"
#include "export/ShownText.h"

namespace exporter {

namespace {

// What a failed export did to the file the user had.
QString Unchanged(const exporter::Outcome& outcome) {
  return outcome.hadFile ? QStringLiteral("The file was left as it was.")
                         : QStringLiteral("No file was written.");
}

}  // namespace

QString ExportCompletePrompt(const exporter::Outcome& outcome) {
  QString prompt = QStringLiteral("Export Complete");
  if (outcome.unreadCount == 0) return prompt;

  QStringList lines;
  lines
      << (outcome.unreadCount == 1
              ? QStringLiteral("1 message could not be read in full:")
              : QStringLiteral("%1 messages could not be read in full:").arg(outcome.unreadCount));
  for (const auto& message : outcome.firstUnread)
    lines << QStringLiteral("%1: %2").arg(ShownText(message.label), ShownText(message.reason));
  const long unnamed = outcome.unreadCount - static_cast<long>(outcome.firstUnread.size());
  if (unnamed > 0) lines << QStringLiteral("and %1 more.").arg(unnamed);
  return prompt + QStringLiteral("\n\n") + lines.join(QLatin1Char('\n'));
}

QString ExportFailedPrompt(const exporter::Outcome& outcome) {
  // Reasons may quote the names of files and folders, which may hold control characters.
  auto text = [](const std::string& from) {
    return QString::fromStdString(exporter::OneLine(from));
  };
  const QString path = text(outcome.path);
  QStringList lines;
  switch (outcome.status) {
    case exporter::Outcome::Status::OpenFailed:
      lines << path << text(outcome.reason);
      break;
    case exporter::Outcome::Status::WriteFailed:
      lines << path << text(outcome.reason) << Unchanged(outcome);
      break;
    case exporter::Outcome::Status::Written:  // the folder could not be walked to its end
      lines << QStringLiteral("The folder's messages could not be read: %1")
                   .arg(text(outcome.walkFailure.value_or("")))
            << path << Unchanged(outcome);
      break;
  }
  return QStringLiteral("Export Failed\n\n") + lines.join(QLatin1Char('\n'));
}

}  // namespace exporter
