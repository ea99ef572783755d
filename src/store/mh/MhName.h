#pragma once

#include <string_view>

// What an MH folder's file names say: a message is kept under its number, and nothing else is
// a message (",12" is message 12 deleted, ".mh_sequences" the folder's sequences, and the
// mail clients' cache and mark files are dot files too).
namespace store::mh::mh_name {

// Whether the name is a message number: digits only.
bool IsMessageNumber(std::string_view name);

// Whether message number `a` comes before `b`: 2 before 10, whatever their length; a number
// written with leading zeros after the same number without them.
bool NumberBefore(std::string_view a, std::string_view b);

}  // namespace store::mh::mh_name
