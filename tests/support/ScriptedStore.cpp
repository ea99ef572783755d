#include "ScriptedStore.h"

#include <algorithm>

namespace scripted {

long CallLog::CountOf(const std::string& call) const {
  return static_cast<long>(std::count(calls.begin(), calls.end(), call));
}

void Scripted::Fail(const std::string& op, const store::Error& error) {
  faults_.insert_or_assign(op, error);
}

void Scripted::Call(const std::string& op) {
  log_->calls.push_back(label_ + "." + op);
  if (auto hook = hooks_.find(op); hook != hooks_.end()) hook->second();
  if (auto fault = faults_.find(op); fault != faults_.end()) throw fault->second;
}

std::string ScriptedMessage::FieldValue(std::uint32_t tag) {
  if (tag == store::kTransportMessageHeaders) return Read(kHeadersOp, headers);
  if (tag == store::kInternetMessageId) return Read(kMessageIdOp, messageId);
  Call("FieldValue(other)");
  throw store::Error::Absent("no such property");
}

std::string ScriptedMessage::Read(const std::string& op, const std::optional<std::string>& value) {
  Call(op);
  if (!value) throw store::Error::Absent("the message has no " + op);
  return *value;
}

ScriptedFolder::ScriptedFolder(std::string folderName, std::string label,
                               std::shared_ptr<CallLog> log)
    : Scripted(label, log),
      name(std::move(folderName)),
      folders(std::make_shared<ScriptedCollection<store::Folder>>(label + ".folders", log)),
      messages(std::make_shared<ScriptedCollection<store::Message>>(label + ".messages", log)) {}

ScriptedFolder& ScriptedFolder::AddFolder(const std::string& folderName) {
  const std::string& parent = label();
  auto child = std::make_shared<ScriptedFolder>(
      folderName, parent.back() == '/' ? parent + folderName : parent + "/" + folderName, log());
  folders->elements.push_back(child);
  return *child;
}

ScriptedMessage& ScriptedFolder::AddMessage() {
  auto message = std::make_shared<ScriptedMessage>(
      label() + "#" + std::to_string(messages->elements.size() + 1), log());
  messages->elements.push_back(message);
  return *message;
}

ScriptedMessage& ScriptedFolder::AddMessage(const std::string& subject, const std::string& body) {
  ScriptedMessage& message = AddMessage();
  message.headers = "Received: from relay by mx\r\nSubject: " + subject;
  message.subject = subject;
  message.body = body;
  return message;
}

ScriptedFolder& ScriptedFolder::folder(std::size_t i) {
  return static_cast<ScriptedFolder&>(*folders->elements.at(i));
}

ScriptedMessage& ScriptedFolder::message(std::size_t i) {
  return static_cast<ScriptedMessage&>(*messages->elements.at(i));
}

std::string ScriptedFolder::Name() {
  Call("Name");
  if (!name) throw store::Error::Unreadable("scripted folder without a name");
  return *name;
}

std::shared_ptr<store::Collection<store::Folder>> ScriptedFolder::Folders() {
  Call("Folders");
  if (Null("Folders")) return nullptr;
  return folders;
}

std::shared_ptr<store::Collection<store::Message>> ScriptedFolder::Messages() {
  Call("Messages");
  if (Null("Messages")) return nullptr;
  return messages;
}

ScriptedInfoStore::ScriptedInfoStore(std::string storeName, std::string label,
                                     std::shared_ptr<CallLog> log)
    : Scripted(label, log),
      name(std::move(storeName)),
      root(std::make_shared<ScriptedFolder>("", label + "/", log)) {}

std::string ScriptedInfoStore::Name() {
  Call("Name");
  if (!name) throw store::Error::Unreadable("scripted store without a name");
  return *name;
}

std::shared_ptr<store::Folder> ScriptedInfoStore::RootFolder() {
  Call("RootFolder");
  if (Null("RootFolder")) return nullptr;
  return root;
}

ScriptedSession::ScriptedSession(std::shared_ptr<ScriptedCollection<store::InfoStore>> stores,
                                 std::shared_ptr<CallLog> log)
    : Scripted("session", log), stores(std::move(stores)) {}

std::shared_ptr<store::Collection<store::InfoStore>> ScriptedSession::InfoStores() {
  Call("InfoStores");
  if (Null("InfoStores")) return nullptr;
  return stores;
}

ScriptedService::ScriptedService()
    : log(std::make_shared<CallLog>()),
      session(std::make_shared<ScriptedSession>(
          std::make_shared<ScriptedCollection<store::InfoStore>>("stores", log), log)) {}

ScriptedInfoStore& ScriptedService::AddStore(const std::string& name) {
  auto added = std::make_shared<ScriptedInfoStore>(
      name, "store" + std::to_string(stores().elements.size() + 1), log);
  stores().elements.push_back(added);
  return *added;
}

ScriptedInfoStore& ScriptedService::store(std::size_t i) {
  return static_cast<ScriptedInfoStore&>(*stores().elements.at(i));
}

store::SessionFactory ScriptedService::Factory() {
  return [this]() -> std::shared_ptr<store::Session> {
    log->calls.push_back("CreateSession");
    if (failCreate) throw store::Error::Unreadable("the service is not installed");
    if (createNull) return nullptr;
    return session;
  };
}

}  // namespace scripted
