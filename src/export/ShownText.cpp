#include "export/ShownText.h"

#include "export/RecordText.h"

namespace exporter {
namespace {

// Enough for any real subject or folder name; a label or entry sized to more stalls the window.
constexpr std::size_t kShownCharacters = 300;

}  // namespace

QString ShownText(std::string_view text) {
  // Cut at a character boundary: a UTF-8 continuation byte never starts a character.
  std::size_t end = 0;
  std::size_t characters = 0;
  while (end < text.size() && characters < kShownCharacters) {
    ++end;
    while (end < text.size() && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) ++end;
    ++characters;
  }
  QString shown = QString::fromStdString(exporter::OneLine(text.substr(0, end)));
  if (end < text.size()) shown += QChar(0x2026);  // an ellipsis: there is more
  return shown;
}

}  // namespace exporter
