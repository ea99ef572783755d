#pragma once

#include <map>
#include <optional>
#include <string>
#include <vector>

#include <vmime/net/imap/IMAPParser.hpp>

namespace store::imap {

// A message's MIME structure as the server gives it, each part named by the sections that fetch
// its header and its content, so that the message can be put together again from some of its
// sections: every header, and the content of only the parts a record reads.
class BodyStructure {
 public:
  // The structure of a BODYSTRUCTURE answer; nothing for a message it cannot outline (a multipart
  // without a boundary, a message whose body is itself a message).
  static std::optional<BodyStructure> Of(const vmime::net::imap::IMAPParser::xbody& body);

  // The sections of every part's own header, "HEADER" (the message's) first.
  std::vector<std::string> HeaderSections() const;
  // The sections of every leaf part's content, depth first.
  std::vector<std::string> ContentSections() const;

  // The message from these sections, by name: every header, and a leaf's content where it is
  // given (else nothing, or with `labelled` the name of its section). Nothing when a header is
  // missing.
  std::optional<std::string> Text(const std::map<std::string, std::string>& sections,
                                  bool labelled) const;

 private:
  enum class Kind { Leaf, Multipart, Message };
  struct Part {
    Kind kind = Kind::Leaf;
    std::string header;       // the section of its header
    std::string content;      // a leaf's: the section of its content
    std::string boundary;     // a multipart's
    std::vector<Part> parts;  // a multipart's parts; an enclosed message's body
  };

  static std::optional<Part> PartOf(const vmime::net::imap::IMAPParser::xbody& body,
                                    std::string header, std::string content,
                                    const std::string& number);
  static void Collect(const Part& part, bool headers, std::vector<std::string>& sections);
  static bool Write(const Part& part, const std::map<std::string, std::string>& sections,
                    bool labelled, std::string& text);

  Part root_;
};

}  // namespace store::imap
