#include "mail/FolderName.h"

#include "mail/Charset.h"

namespace mail {

std::string DecodeMailboxName(std::string_view part) {
  if (part.find('&') != std::string_view::npos) {
    // The decoder forgives some malformed input; only a name that it would write back exactly
    // was meant as modified UTF-7.
    auto decoded = ConvertToUtf8(part, "UTF-7-IMAP");
    if (decoded && Convert(*decoded, "UTF-8", "UTF-7-IMAP") == part) return *decoded;
  }
  return FileNameText(part);
}

std::string FileNameText(std::string_view name) { return DecodeUnlabelled(name); }

}  // namespace mail
