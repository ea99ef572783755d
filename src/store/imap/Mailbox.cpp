#include "store/imap/Mailbox.h"

#include <algorithm>

#include <vmime/net/imap/IMAPCommand.hpp>
#include <vmime/net/imap/IMAPUtils.hpp>
#include <vmime/net/messageSet.hpp>

#include "mail/PartsRead.h"
#include "store/Error.h"
#include "store/imap/ConnectionFailure.h"
#include "store/imap/Server.h"

namespace store::imap {
namespace {

using vmime::net::imap::IMAPCommand;
using vmime::net::imap::IMAPParser;
using Response = std::unique_ptr<IMAPParser::response>;

// The tagged answer that ends a response: OK, NO or BAD, with the server's words.
const IMAPParser::resp_cond_state& Tagged(const IMAPParser::response& response) {
  return *response.response_done()->response_tagged()->resp_cond_state();
}

// Whether the server declined the command (NO) or could not take it (BAD).
bool Declined(const IMAPParser::response& response) {
  return response.isBad() || Tagged(response).status() != IMAPParser::resp_cond_state::OK;
}

// The FETCH answers of a response, one msg_att each.
template <class Visit>
void ForEachFetch(const IMAPParser::response& response, Visit visit) {
  for (const auto* item : response.continue_req_or_response_data()) {
    const IMAPParser::response_data* data = item->response_data();
    if (!data || !data->message_data()) continue;
    const IMAPParser::message_data* message = data->message_data();
    if (message->type() == IMAPParser::message_data::FETCH && message->msg_att()) {
      visit(*message->msg_att());
    }
  }
}

}  // namespace

Mailbox::Mailbox(Server& server, const vmime::net::folder::path& path) : server_(server) {
  connection_ = server.Connect();
  try {
    const std::string name =
        vmime::net::imap::IMAPUtils::pathToString(connection_->hierarchySeparator(), path);
    IMAPCommand::SELECT(true, name, {})->send(connection_);
    Response response(connection_->readResponse());
    if (Declined(*response)) {
      throw Error::Unreadable("The server would not open the mailbox: " + response->getErrorLog());
    }
    for (const auto* item : response->continue_req_or_response_data()) {
      const IMAPParser::response_data* data = item->response_data();
      if (!data) continue;
      if (const auto* mailbox = data->mailbox_data()) {
        if (mailbox->type() == IMAPParser::mailbox_data::EXISTS && mailbox->number()) {
          exists_ = mailbox->number()->value();
        }
      } else if (const auto* state = data->resp_cond_state()) {
        const auto* code = state->resp_text() ? state->resp_text()->resp_text_code() : nullptr;
        if (code && code->type() == IMAPParser::resp_text_code::UIDVALIDITY && code->nz_number()) {
          uidValidity_ = static_cast<std::uint32_t>(code->nz_number()->value());
        }
      }
    }
  } catch (const vmime::exception& error) {
    throw Error::Unreadable(ConnectionFailure(server.account(), error));
  }
}

Mailbox::~Mailbox() {
  try {
    if (connection_->isConnected()) connection_->disconnect();
  } catch (const vmime::exception&) {
    // A connection already lost has nothing left to close.
  }
}

std::vector<Mailbox::Entry> Mailbox::Entries() {
  // Listed a slice at a time: the parsed answer to one command listing a whole large mailbox would
  // take hundreds of bytes a message. Slices go by message number, so a message expunged meanwhile
  // would shift the numbers under them; the server says so, and the mailbox is then listed again.
  for (int attempt = 0;; ++attempt) {
    std::vector<Entry> entries;
    entries.reserve(exists_);
    bool changed = false;
    for (std::size_t first = 1; first <= exists_ && !changed; first += kListingSlice) {
      const std::size_t last = std::min(exists_, first + kListingSlice - 1);
      changed = ListSlice(first, last, entries);
    }
    if (!changed && entries.size() == exists_) return entries;
    if (attempt == 2) return entries;  // a mailbox that never holds still is read as it stood
  }
}

bool Mailbox::ListSlice(std::size_t first, std::size_t last, std::vector<Entry>& entries) {
  bool changed = false;
  try {
    IMAPCommand::FETCH(vmime::net::messageSet::byNumber(first, last), {"UID", "RFC822.SIZE"})
        ->send(connection_);
    Response response(connection_->readResponse());
    if (Declined(*response)) {
      throw Error::Unreadable("The server would not list the mailbox's messages: " +
                              response->getErrorLog());
    }
    for (const auto* item : response->continue_req_or_response_data()) {
      const IMAPParser::response_data* data = item->response_data();
      if (!data) continue;
      if (const auto* mailbox = data->mailbox_data()) {
        if (mailbox->type() == IMAPParser::mailbox_data::EXISTS && mailbox->number()) {
          changed = changed || mailbox->number()->value() != exists_;
          exists_ = mailbox->number()->value();
        }
      } else if (const auto* message = data->message_data()) {
        if (message->type() == IMAPParser::message_data::EXPUNGE) {
          changed = true;
          --exists_;
        }
      }
    }
    ForEachFetch(*response, [&](const IMAPParser::msg_att& attributes) {
      Entry entry{0, 0};
      for (const auto* item : attributes.items()) {
        if (item->type() == IMAPParser::msg_att_item::UID && item->unique_id()) {
          entry.uid = static_cast<std::uint32_t>(item->unique_id()->value());
        } else if (item->type() == IMAPParser::msg_att_item::RFC822_SIZE && item->number()) {
          entry.size = item->number()->value();
        }
      }
      if (entry.uid != 0) entries.push_back(entry);
    });
  } catch (const vmime::exception& error) {
    throw Error::Unreadable(ConnectionFailure(server_.account(), error));
  }
  return changed;
}

namespace {

// The name of a fetched section as the command asked for it: "" (the whole message), "HEADER",
// "2.1", "2.MIME", ...
std::string SectionName(const IMAPParser::section* section) {
  auto text = [](const IMAPParser::section_text* part) -> std::string {
    switch (part->type()) {
      case IMAPParser::section_text::HEADER:
        return "HEADER";
      case IMAPParser::section_text::MIME:
        return "MIME";
      case IMAPParser::section_text::TEXT:
        return "TEXT";
      default:
        return "?";  // header fields, never asked for
    }
  };
  if (!section) return {};
  if (section->section_text1()) return text(section->section_text1());
  std::string name;
  for (unsigned number : section->nz_numbers()) {
    name += (name.empty() ? "" : ".") + std::to_string(number);
  }
  if (section->section_text2()) name += "." + text(section->section_text2());
  return name;
}

std::vector<std::string> Peeked(const std::vector<std::string>& sections) {
  std::vector<std::string> items;
  for (const std::string& section : sections) items.push_back("BODY.PEEK[" + section + "]");
  return items;
}

}  // namespace

bool Mailbox::FetchItems(const std::vector<std::uint32_t>& uids,
                         const std::vector<std::string>& items, Answers& answers,
                         std::string& refusal) {
  if (uids.empty()) return true;
  try {
    std::vector<vmime::net::message::uid> set(uids.begin(), uids.end());
    std::vector<std::string> asked = {"UID"};
    asked.insert(asked.end(), items.begin(), items.end());
    IMAPCommand::FETCH(vmime::net::messageSet::byUID(set), asked)->send(connection_);
    Response response(connection_->readResponse());
    if (response->isBad()) return false;
    // A NO still carries the messages the server could give (others were expunged meanwhile).
    if (Declined(*response) && refusal.empty()) {
      const auto* text = Tagged(*response).resp_text();
      refusal = text && !text->text().empty() ? text->text() : response->getErrorLog();
    }
    ForEachFetch(*response, [&](const IMAPParser::msg_att& attributes) {
      std::uint32_t uid = 0;
      Answer answer;
      for (const auto* item : attributes.items()) {
        if (item->type() == IMAPParser::msg_att_item::UID && item->unique_id()) {
          uid = static_cast<std::uint32_t>(item->unique_id()->value());
        } else if (item->type() == IMAPParser::msg_att_item::BODY_SECTION && item->nstring() &&
                   !item->nstring()->isNIL()) {
          answer.sections[SectionName(item->section())] = item->nstring()->value();
        } else if (item->type() == IMAPParser::msg_att_item::BODY_STRUCTURE && item->body()) {
          answer.structure = BodyStructure::Of(*item->body());
        }
      }
      if (uid == 0) return;
      Answer& kept = answers[uid];  // a server may answer for one message more than once
      kept.sections.merge(answer.sections);
      if (answer.structure) kept.structure = std::move(answer.structure);
    });
  } catch (const vmime::exception& error) {
    throw Error::Unreadable(ConnectionFailure(server_.account(), error));
  }
  return true;
}

Mailbox::Fetched Mailbox::Fetch(const std::vector<Entry>& messages, std::size_t wholeUpTo) {
  Fetched fetched;
  std::vector<std::uint32_t> whole;     // the messages fetched whole
  std::vector<std::uint32_t> outlines;  // the others
  for (const Entry& message : messages) {
    (message.size <= wholeUpTo ? whole : outlines).push_back(message.uid);
  }
  Answers outlined;  // their structure, and the sections fetched
  if (!FetchItems(outlines, {"BODYSTRUCTURE", "BODY.PEEK[HEADER]"}, outlined, fetched.refusal)) {
    whole.insert(whole.end(), outlines.begin(), outlines.end());
    outlined.clear();
  }
  for (auto it = outlined.begin(); it != outlined.end();) {
    if (it->second.structure && it->second.sections.contains("HEADER")) {
      ++it;
    } else {
      whole.push_back(it->first);
      it = outlined.erase(it);
    }
  }

  // Fetches, for each message, the sections `wanted` names, one command for all the messages that
  // want the same ones. A message the server no longer gives is dropped, as one expunged.
  auto fetchSections = [&](auto wanted) {
    std::map<std::vector<std::string>, std::vector<std::uint32_t>> groups;
    for (auto it = outlined.begin(); it != outlined.end();) {
      std::optional<std::vector<std::string>> sections = wanted(it->first, it->second);
      if (!sections) {
        whole.push_back(it->first);
        it = outlined.erase(it);
        continue;
      }
      if (!sections->empty()) groups[*sections].push_back(it->first);
      ++it;
    }
    for (const auto& [sections, group] : groups) {
      Answers answers;
      const bool taken = FetchItems(group, Peeked(sections), answers, fetched.refusal);
      for (std::uint32_t uid : group) {
        auto answer = answers.find(uid);
        if (!taken) {
          whole.push_back(uid);
          outlined.erase(uid);
        } else if (answer == answers.end()) {
          outlined.erase(uid);
        } else {
          outlined[uid].sections.merge(answer->second.sections);
        }
      }
    }
  };

  // Every part's own header, then the content of the parts the body text reads, which the
  // message parser itself picks from the message with every content left out.
  fetchSections([](std::uint32_t, const Answer& answer) -> std::optional<std::vector<std::string>> {
    std::vector<std::string> sections = answer.structure->HeaderSections();
    sections.erase(sections.begin());  // the message's own, fetched already
    return sections;
  });
  std::map<std::uint32_t, std::vector<std::string>> read;
  fetchSections(
      [&read](std::uint32_t uid, const Answer& answer) -> std::optional<std::vector<std::string>> {
        std::optional<std::string> outline = answer.structure->Text(answer.sections, true);
        if (!outline) return std::nullopt;
        auto sections = mail::LabelsRead(*outline, answer.structure->ContentSections());
        if (sections) read[uid] = *sections;
        return sections;
      });
  for (auto& [uid, answer] : outlined) {
    std::optional<std::string> text = answer.structure->Text(answer.sections, false);
    const auto given = [&answer](const std::string& section) {
      return answer.sections.contains(section);
    };
    if (text && std::ranges::all_of(read[uid], given)) {
      fetched.texts[uid] = std::move(*text);
    } else {
      whole.push_back(uid);
    }
  }

  Answers answers;
  if (!FetchItems(whole, {"BODY.PEEK[]"}, answers, fetched.refusal)) {
    throw Error::Unreadable("The server rejected the fetch of whole messages.");
  }
  for (auto& [uid, answer] : answers) {
    if (auto text = answer.sections.find(""); text != answer.sections.end()) {
      fetched.texts[uid] = std::move(text->second);
    }
  }
  return fetched;
}

}  // namespace store::imap
