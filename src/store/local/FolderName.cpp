#include "store/local/FolderName.h"

#include "store/local/Text.h"

namespace store::local {

std::string DecodeMailboxName(std::string_view part) {
  if (part.find('&') != std::string_view::npos) {
    if (auto decoded = ConvertToUtf8(part, "UTF-7-IMAP")) return *decoded;
  }
  return FileNameText(part);
}

std::string FileNameText(std::string_view name) { return DecodeUnlabelled(name); }

}  // namespace store::local
