#include "store/imap/Mailbox.h"

#include <algorithm>

#include <vmime/net/imap/IMAPCommand.hpp>
#include <vmime/net/imap/IMAPUtils.hpp>
#include <vmime/net/messageSet.hpp>

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

Mailbox::Fetched Mailbox::Fetch(const std::vector<std::uint32_t>& uids) {
  Fetched fetched;
  if (uids.empty()) return fetched;
  try {
    std::vector<vmime::net::message::uid> set(uids.begin(), uids.end());
    IMAPCommand::FETCH(vmime::net::messageSet::byUID(set), {"UID", "BODY.PEEK[]"})
        ->send(connection_);
    Response response(connection_->readResponse());
    // A NO still carries the messages the server could give (others were expunged meanwhile).
    if (response->isBad()) {
      throw Error::Unreadable("The server rejected the fetch: " + response->getErrorLog());
    }
    if (Declined(*response)) {
      const auto* text = Tagged(*response).resp_text();
      fetched.refusal = text && !text->text().empty() ? text->text() : response->getErrorLog();
    }
    ForEachFetch(*response, [&](const IMAPParser::msg_att& attributes) {
      std::uint32_t uid = 0;
      const IMAPParser::nstring* body = nullptr;
      for (const auto* item : attributes.items()) {
        if (item->type() == IMAPParser::msg_att_item::UID && item->unique_id()) {
          uid = static_cast<std::uint32_t>(item->unique_id()->value());
        } else if (item->type() == IMAPParser::msg_att_item::BODY_SECTION && item->nstring()) {
          body = item->nstring();
        }
      }
      if (uid != 0 && body && !body->isNIL()) fetched.texts[uid] = body->value();
    });
  } catch (const vmime::exception& error) {
    throw Error::Unreadable(ConnectionFailure(server_.account(), error));
  }
  return fetched;
}

}  // namespace store::imap
