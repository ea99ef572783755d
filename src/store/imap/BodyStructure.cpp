#include "store/imap/BodyStructure.h"

#include <strings.h>

namespace store::imap {

using vmime::net::imap::IMAPParser;

std::optional<BodyStructure> BodyStructure::Of(const IMAPParser::xbody& body) {
  std::optional<Part> root = PartOf(body, "HEADER", "TEXT", "");
  if (!root) return std::nullopt;
  BodyStructure structure;
  structure.root_ = std::move(*root);
  return structure;
}

// Parts are numbered as the server numbers them: a multipart's parts 1, 2, ... after its own
// number, an enclosed message's header and text after the number of the part that holds it.
std::optional<BodyStructure::Part> BodyStructure::PartOf(const IMAPParser::xbody& body,
                                                         std::string header, std::string content,
                                                         const std::string& number) {
  Part part;
  part.header = std::move(header);
  if (const auto* multipart = body.body_type_mpart()) {
    part.kind = Kind::Multipart;
    const auto* extension = multipart->body_ext_mpart();
    if (const auto* parameters = extension ? extension->body_fld_param() : nullptr) {
      for (const auto* item : parameters->items()) {
        if (item->string1() && item->string2() &&
            strcasecmp(item->string1()->value().c_str(), "boundary") == 0) {
          part.boundary = item->string2()->value();
        }
      }
    }
    if (part.boundary.empty() || multipart->list().empty()) return std::nullopt;
    int i = 0;
    for (const auto* each : multipart->list()) {
      const std::string n = (number.empty() ? "" : number + ".") + std::to_string(++i);
      std::optional<Part> inner = PartOf(*each, n + ".MIME", n, n);
      if (!inner) return std::nullopt;
      part.parts.push_back(std::move(*inner));
    }
    return part;
  }
  const auto* single = body.body_type_1part();
  if (!single) return std::nullopt;
  if (const auto* message = single->body_type_msg()) {
    // The message's own body, or an enclosed message's, being a message is left to the whole
    // message's parse.
    if (part.header.ends_with("HEADER") || !message->body()) return std::nullopt;
    part.kind = Kind::Message;
    std::optional<Part> enclosed =
        PartOf(*message->body(), number + ".HEADER", number + ".TEXT", number);
    if (!enclosed) return std::nullopt;
    part.parts.push_back(std::move(*enclosed));
    return part;
  }
  part.content = std::move(content);
  return part;
}

std::vector<std::string> BodyStructure::HeaderSections() const {
  std::vector<std::string> sections;
  Collect(root_, true, sections);
  return sections;
}

std::vector<std::string> BodyStructure::ContentSections() const {
  std::vector<std::string> sections;
  Collect(root_, false, sections);
  return sections;
}

void BodyStructure::Collect(const Part& part, bool headers, std::vector<std::string>& sections) {
  if (headers) sections.push_back(part.header);
  if (!headers && part.kind == Kind::Leaf) sections.push_back(part.content);
  for (const Part& inner : part.parts) Collect(inner, headers, sections);
}

std::optional<std::string> BodyStructure::Text(const std::map<std::string, std::string>& sections,
                                               bool labelled) const {
  std::string text;
  if (!Write(root_, sections, labelled, text)) return std::nullopt;
  return text;
}

bool BodyStructure::Write(const Part& part, const std::map<std::string, std::string>& sections,
                          bool labelled, std::string& text) {
  auto header = sections.find(part.header);
  if (header == sections.end()) return false;
  text += header->second;
  switch (part.kind) {
    case Kind::Leaf:
      if (auto content = sections.find(part.content); content != sections.end()) {
        text += content->second;
      } else if (labelled) {
        text += part.content;
      }
      return true;
    case Kind::Multipart:
      // Each part's content ends where the line break before the next boundary begins.
      for (const Part& inner : part.parts) {
        text += "--" + part.boundary + "\r\n";
        if (!Write(inner, sections, labelled, text)) return false;
        text += "\r\n";
      }
      text += "--" + part.boundary + "--\r\n";
      return true;
    case Kind::Message:
      return Write(part.parts.front(), sections, labelled, text);
  }
  return false;
}

}  // namespace store::imap
