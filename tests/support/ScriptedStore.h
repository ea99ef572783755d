#pragma once

// A message store built in a few lines, for the failures a real store cannot be made to produce.
// Any operation of any object can be made to fail, to return no object, or to run a hook (for
// instance to click Cancel while a message is being read), and every call is logged as
// "<label>.<operation>" so tests can check order and count.

#include <algorithm>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "store/Store.h"

namespace scripted {

inline const std::string kHeadersOp = "FieldValue(0x007D001E)";

struct CallLog {
  std::vector<std::string> calls;
  long CountOf(const std::string& call) const { return std::ranges::count(calls, call); }
  bool Has(const std::string& call) const { return CountOf(call) > 0; }
};

// Faults, nulls and hooks of one object, keyed by operation name.
class Scripted {
 public:
  Scripted(std::string label, std::shared_ptr<CallLog> log)
      : label(std::move(label)), log(std::move(log)) {}
  virtual ~Scripted() = default;

  void Fail(const std::string& op,
            const store::Error& error = store::Error::Unreadable("scripted failure")) {
    faults_.insert_or_assign(op, error);
  }
  void Heal(const std::string& op) { faults_.erase(op); }
  // The operation gives no object (for a collection: something that is not one).
  void ReturnNull(const std::string& op) { nulls_.insert(op); }
  void On(const std::string& op, std::function<void()> hook) { hooks_[op] = std::move(hook); }

  const std::string label;
  const std::shared_ptr<CallLog> log;

 protected:
  // Logs the call, runs its hook, then throws its fault if it has one.
  void Call(const std::string& op) {
    log->calls.push_back(label + "." + op);
    if (auto hook = hooks_.find(op); hook != hooks_.end()) hook->second();
    if (auto fault = faults_.find(op); fault != faults_.end()) throw fault->second;
  }
  template <class T>
  std::shared_ptr<T> Give(const std::string& op, const std::shared_ptr<T>& object) {
    Call(op);
    return nulls_.count(op) ? nullptr : object;
  }
  // A value the object lacks is Absent.
  std::string Read(const std::string& op, const std::optional<std::string>& value) {
    Call(op);
    if (!value) throw store::Error::Absent("no value for " + op);
    return *value;
  }

 private:
  std::map<std::string, store::Error> faults_;
  std::set<std::string> nulls_;
  std::map<std::string, std::function<void()>> hooks_;
};

// Operations: "Count", "Begin", and "Next" for every advance; failAdvanceAt = i fails only the
// advance that would deliver element i (0 is the walk's first element).
template <class T>
class ScriptedCollection : public store::Collection<T>, public Scripted {
 public:
  using Scripted::Scripted;

  std::vector<std::shared_ptr<T>> elements;
  std::optional<std::size_t> failAdvanceAt;

  long Count() override {
    Call("Count");
    return static_cast<long>(elements.size());
  }
  std::unique_ptr<store::Cursor<T>> Begin() override {
    Call("Begin");
    return std::make_unique<Cursor>(*this);
  }

 private:
  struct Cursor : store::Cursor<T> {
    explicit Cursor(ScriptedCollection& owner) : owner(owner) {}
    bool Next(std::shared_ptr<T>& element) override {
      owner.Call("Next");
      if (owner.failAdvanceAt == next)
        throw store::Error::Unreadable("scripted failure to advance");
      if (next >= owner.elements.size()) return false;
      element = owner.elements[next++];
      return true;
    }
    ScriptedCollection& owner;
    std::size_t next = 0;
  };
};

// Every field holds a value or nothing (absent). Operations: kHeadersOp,
// "FieldValue(0x1035001E)" (the Message-ID), "BodyText", "Subject", "Sender", "Recipients",
// "MessageDate".
class ScriptedMessage : public store::Message, public Scripted {
 public:
  using Scripted::Scripted;

  std::optional<std::string> headers, messageId, body, subject, sender, recipients, date;

  std::string FieldValue(std::uint32_t tag) override {
    if (tag == store::kTransportMessageHeaders) return Read(kHeadersOp, headers);
    if (tag == store::kInternetMessageId) return Read("FieldValue(0x1035001E)", messageId);
    return Read("FieldValue(other)", std::nullopt);
  }
  std::string BodyText() override { return Read("BodyText", body); }
  std::string Subject() override { return Read("Subject", subject); }
  std::string Sender() override { return Read("Sender", sender); }
  std::string Recipients() override { return Read("Recipients", recipients); }
  std::string MessageDate() override { return Read("MessageDate", date); }
};

// Operations: "Name", "Folders", "Messages". A folder's label is its path ("store1/Work/2024"),
// its messages' "<label>#1" and so on, its collections' "<label>.folders" and "<label>.messages".
class ScriptedFolder : public store::Folder, public Scripted {
 public:
  ScriptedFolder(std::string folderName, const std::string& label, std::shared_ptr<CallLog> log)
      : Scripted(label, log),
        name(std::move(folderName)),
        folders(std::make_shared<ScriptedCollection<store::Folder>>(label + ".folders", log)),
        messages(std::make_shared<ScriptedCollection<store::Message>>(label + ".messages", log)) {}

  std::string name;
  std::string origin;
  std::shared_ptr<ScriptedCollection<store::Folder>> folders;
  std::shared_ptr<ScriptedCollection<store::Message>> messages;

  ScriptedFolder& AddFolder(const std::string& folderName) {
    const std::string path = label + (label.back() == '/' ? "" : "/") + folderName;
    folders->elements.push_back(std::make_shared<ScriptedFolder>(folderName, path, log));
    return folder(folders->elements.size() - 1);
  }
  ScriptedMessage& AddMessage() {
    const std::string number = std::to_string(messages->elements.size() + 1);
    messages->elements.push_back(std::make_shared<ScriptedMessage>(label + "#" + number, log));
    return message(messages->elements.size() - 1);
  }
  // A message in transport-header form: headers "Received: from relay by mx\r\nSubject: <subject>".
  ScriptedMessage& AddMessage(const std::string& subject, const std::string& body) {
    ScriptedMessage& added = AddMessage();
    added.headers = "Received: from relay by mx\r\nSubject: " + subject;
    added.subject = subject;
    added.body = body;
    return added;
  }
  ScriptedFolder& folder(std::size_t i) {
    return static_cast<ScriptedFolder&>(*folders->elements.at(i));
  }
  ScriptedMessage& message(std::size_t i) {
    return static_cast<ScriptedMessage&>(*messages->elements.at(i));
  }

  std::string Name() override { return Read("Name", name); }
  std::string Origin() override { return origin; }
  std::shared_ptr<store::Collection<store::Folder>> Folders() override {
    return Give("Folders", folders);
  }
  std::shared_ptr<store::Collection<store::Message>> Messages() override {
    return Give("Messages", messages);
  }
};

// Operations: "Name", "RootFolder". The root folder's label is the store's and a "/".
class ScriptedInfoStore : public store::InfoStore, public Scripted {
 public:
  ScriptedInfoStore(std::string storeName, const std::string& label, std::shared_ptr<CallLog> log)
      : Scripted(label, log),
        name(std::move(storeName)),
        root(std::make_shared<ScriptedFolder>("", label + "/", log)) {}

  std::string name;
  std::string origin;
  std::vector<std::string> locations;
  std::shared_ptr<ScriptedFolder> root;

  std::string Name() override { return Read("Name", name); }
  std::string Origin() override { return origin; }
  std::shared_ptr<store::Folder> RootFolder() override { return Give("RootFolder", root); }
  std::vector<std::string> Locations() override { return locations; }
};

// Operations: "LogOn", "LogOff", "InfoStores"; logged under the label "session". Its stores are
// logged under "stores".
class ScriptedSession : public store::Session, public Scripted {
 public:
  explicit ScriptedSession(const std::shared_ptr<CallLog>& log)
      : Scripted("session", log),
        stores(std::make_shared<ScriptedCollection<store::InfoStore>>("stores", log)) {}

  std::shared_ptr<ScriptedCollection<store::InfoStore>> stores;

  void LogOn() override { Call("LogOn"); }
  void LogOff() override { Call("LogOff"); }
  std::shared_ptr<store::Collection<store::InfoStore>> InfoStores() override {
    return Give("InfoStores", stores);
  }
};

// The service: the session it hands out, whose stores are labelled "store1", "store2"...
// Its factory logs "CreateSession".
struct ScriptedService {
  std::shared_ptr<CallLog> log = std::make_shared<CallLog>();
  std::shared_ptr<ScriptedSession> session = std::make_shared<ScriptedSession>(log);
  bool failCreate = false;  // creating the session throws
  bool createNull = false;  // creating the session gives no object

  ScriptedCollection<store::InfoStore>& stores() { return *session->stores; }
  ScriptedInfoStore& AddStore(const std::string& name) {
    const std::string label = "store" + std::to_string(stores().elements.size() + 1);
    stores().elements.push_back(std::make_shared<ScriptedInfoStore>(name, label, log));
    return store(stores().elements.size() - 1);
  }
  ScriptedInfoStore& store(std::size_t i) {
    return static_cast<ScriptedInfoStore&>(*stores().elements.at(i));
  }
  store::SessionFactory Factory() {
    return [this]() -> std::shared_ptr<store::Session> {
      log->calls.push_back("CreateSession");
      if (failCreate) throw store::Error::Unreadable("the service is not installed");
      return createNull ? nullptr : session;
    };
  }
};

}  // namespace scripted
