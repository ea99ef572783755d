#pragma once

#include <optional>
#include <string>

namespace mail {

// Everything the store gives of one message, as UTF-8 text with CR LF line breaks; an empty
// optional is a value the message does not have. Plain values, so a message can be parsed away
// from the thread that reads it.
struct MessageFields {
  std::optional<std::string> transportHeaders;
  std::optional<std::string> messageId;
  std::string body;
  std::string subject;
  std::optional<std::string> sender;
  std::string recipients;
  std::optional<std::string> date;
};

}  // namespace mail
