#pragma once

#include <string>
#include <string_view>

namespace mail {

// A Maildir++ folder name part as the user named the folder: IMAP's modified UTF-7 decoded
// (".Entw&APw-rfe" is "Entwürfe"); a part that is not modified UTF-7 (raw UTF-8) is taken as it is.
std::string DecodeMailboxName(std::string_view part);

// A file name as folder name: UTF-8, whatever bytes the file system holds.
std::string FileNameText(std::string_view name);

}  // namespace mail
