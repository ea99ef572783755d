#pragma once

// A message store built in a few lines, for the failures a real store cannot be made to produce.
// Any operation of any object can be made to fail, to return nothing, or to run a hook (for
// instance to click Cancel while a message is being read), and every call is logged as
// "<label>.<operation>" so tests can check order and count.

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
inline const std::string kMessageIdOp = "FieldValue(0x1035001E)";

struct CallLog {
  std::vector<std::string> calls;
  long CountOf(const std::string& call) const;
  bool Has(const std::string& call) const { return CountOf(call) > 0; }
};

// Faults, nulls and hooks of one object, keyed by operation name.
class Scripted {
 public:
  Scripted(std::string label, std::shared_ptr<CallLog> log)
      : label_(std::move(label)), log_(std::move(log)) {}
  virtual ~Scripted() = default;

  void Fail(const std::string& op,
            const store::Error& error = store::Error::Unreadable("scripted failure"));
  void Heal(const std::string& op) { faults_.erase(op); }
  // The operation returns no object (or, for a collection, something that is not one).
  void ReturnNull(const std::string& op) { nulls_.insert(op); }
  void On(const std::string& op, std::function<void()> hook) { hooks_[op] = std::move(hook); }

  const std::string& label() const { return label_; }

 protected:
  // Logs the call, runs its hook, then throws its fault if it has one.
  void Call(const std::string& op);
  bool Null(const std::string& op) const { return nulls_.count(op) > 0; }
  const std::shared_ptr<CallLog>& log() const { return log_; }

 private:
  std::string label_;
  std::shared_ptr<CallLog> log_;
  std::map<std::string, store::Error> faults_;
  std::set<std::string> nulls_;
  std::map<std::string, std::function<void()>> hooks_;
};

// Operations: "Count", "Begin", and "Next" for every advance; FailAdvanceAt(i) fails only the
// advance that would deliver element i (0 is the walk's first element).
template <class T>
class ScriptedCollection : public store::Collection<T>, public Scripted {
 public:
  using Scripted::Scripted;

  std::vector<std::shared_ptr<T>> elements;
  std::optional<long> countOverride;  // Count() says this instead of the real size
  std::optional<std::size_t> failAdvanceAt;

  long Count() override {
    Call("Count");
    return countOverride ? *countOverride : static_cast<long>(elements.size());
  }
  std::unique_ptr<store::Cursor<T>> Begin() override {
    Call("Begin");
    return std::make_unique<ScriptedCursor>(*this);
  }

 private:
  class ScriptedCursor : public store::Cursor<T> {
   public:
    explicit ScriptedCursor(ScriptedCollection& owner) : owner_(owner) {}
    bool Next(std::shared_ptr<T>& element) override {
      owner_.Call("Next");
      if (owner_.failAdvanceAt == next_)
        throw store::Error::Unreadable("scripted failure to advance");
      if (next_ >= owner_.elements.size()) return false;
      element = owner_.elements[next_++];
      return true;
    }

   private:
    ScriptedCollection& owner_;
    std::size_t next_ = 0;
  };
};

// Every field holds a value or nothing (absent). Operations: kHeadersOp, kMessageIdOp,
// "BodyText", "Subject", "Sender", "Recipients", "MessageDate".
class ScriptedMessage : public store::Message, public Scripted {
 public:
  using Scripted::Scripted;

  std::optional<std::string> headers, messageId, body, subject, sender, recipients, date;

  std::string FieldValue(std::uint32_t tag) override;
  std::string BodyText() override { return Read("BodyText", body); }
  std::string Subject() override { return Read("Subject", subject); }
  std::string Sender() override { return Read("Sender", sender); }
  std::string Recipients() override { return Read("Recipients", recipients); }
  std::string MessageDate() override { return Read("MessageDate", date); }

 private:
  std::string Read(const std::string& op, const std::optional<std::string>& value);
};

// Operations: "Name", "Folders", "Messages".
class ScriptedFolder : public store::Folder, public Scripted {
 public:
  ScriptedFolder(std::string name, std::string label, std::shared_ptr<CallLog> log);

  std::optional<std::string> name;
  std::shared_ptr<ScriptedCollection<store::Folder>> folders;
  std::shared_ptr<ScriptedCollection<store::Message>> messages;

  ScriptedFolder& AddFolder(const std::string& folderName);
  ScriptedMessage& AddMessage();
  // A message in transport-header form: headers "Received: ...\r\nSubject: <subject>".
  ScriptedMessage& AddMessage(const std::string& subject, const std::string& body);
  ScriptedFolder& folder(std::size_t i);
  ScriptedMessage& message(std::size_t i);

  std::string Name() override;
  std::shared_ptr<store::Collection<store::Folder>> Folders() override;
  std::shared_ptr<store::Collection<store::Message>> Messages() override;
};

// Operations: "Name", "RootFolder".
class ScriptedInfoStore : public store::InfoStore, public Scripted {
 public:
  ScriptedInfoStore(std::string name, std::string label, std::shared_ptr<CallLog> log);

  std::optional<std::string> name;
  std::shared_ptr<ScriptedFolder> root;

  std::string Name() override;
  std::shared_ptr<store::Folder> RootFolder() override;
};

// Operations: "LogOn", "LogOff", "InfoStores"; logged under the label "session".
class ScriptedSession : public store::Session, public Scripted {
 public:
  ScriptedSession(std::shared_ptr<ScriptedCollection<store::InfoStore>> stores,
                  std::shared_ptr<CallLog> log);

  std::shared_ptr<ScriptedCollection<store::InfoStore>> stores;

  void LogOn() override { Call("LogOn"); }
  void LogOff() override { Call("LogOff"); }
  std::shared_ptr<store::Collection<store::InfoStore>> InfoStores() override;
};

// The service: its stores and the session it hands out. Its factory logs "CreateSession".
class ScriptedService {
 public:
  ScriptedService();

  std::shared_ptr<CallLog> log;
  std::shared_ptr<ScriptedSession> session;
  bool failCreate = false;  // creating the session throws
  bool createNull = false;  // creating the session gives no object

  ScriptedCollection<store::InfoStore>& stores() { return *session->stores; }
  ScriptedInfoStore& AddStore(const std::string& name);
  ScriptedInfoStore& store(std::size_t i);
  store::SessionFactory Factory();
};

}  // namespace scripted
