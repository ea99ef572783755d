#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "store/Error.h"

// The message store service as the program uses it: a session, its stores, their folders and
// the folders' messages. Every operation either returns its value or throws store::Error. Text is
// UTF-8 throughout; line breaks inside message text are CR LF.
//
// Results that are objects are shared pointers. A null result means "not of the kind needed"
// (for instance a session whose InfoStores is not a collection); callers treat it as a failed step.

namespace store {

// Tags accepted by Message::FieldValue.
inline constexpr std::uint32_t kTransportMessageHeaders = 0x007D001E;
inline constexpr std::uint32_t kInternetMessageId = 0x1035001E;

// One pass over a collection. Next() puts the next element into `element` and returns true, or
// returns false at the end; it throws when the walk cannot advance.
template <class T>
class Cursor {
 public:
  virtual ~Cursor() = default;
  virtual bool Next(std::shared_ptr<T>& element) = 0;
};

template <class T>
class Collection {
 public:
  virtual ~Collection() = default;
  virtual long Count() = 0;
  // Starts a walk; throws when it cannot start.
  virtual std::unique_ptr<Cursor<T>> Begin() = 0;
};

class Message {
 public:
  virtual ~Message() = default;
  // The property's value as text; throws Absent for a property the message lacks.
  virtual std::string FieldValue(std::uint32_t tag) = 0;
  virtual std::string BodyText() = 0;
  // The body text for the message's one record, which may be hundreds of megabytes: a message
  // that keeps it hands it over rather than copy it, and keeps none; asked for again, it fails.
  virtual std::string TakeBodyText() { return BodyText(); }
  virtual std::string Subject() = 0;
  virtual std::string Sender() = 0;
  virtual std::string Recipients() = 0;
  virtual std::string MessageDate() = 0;
};

class Folder {
 public:
  virtual ~Folder() = default;
  virtual std::string Name() = 0;
  // What tells this folder apart from a sibling that shows the same name: the name it is kept
  // under (a file name, a mailbox name). Empty when there is nothing more to say.
  virtual std::string Origin() = 0;
  virtual std::shared_ptr<Collection<Folder>> Folders() = 0;
  virtual std::shared_ptr<Collection<Message>> Messages() = 0;
};

class InfoStore {
 public:
  virtual ~InfoStore() = default;
  virtual std::string Name() = 0;
  // What tells this store apart from another of the same name (its profile, its place on disk,
  // its account). Empty when there is nothing more to say.
  virtual std::string Origin() = 0;
  virtual std::shared_ptr<Folder> RootFolder() = 0;
  // The files and directories on this computer that hold the store's mail, its folders reached
  // through links included; nothing for a store kept elsewhere. An export is never written there.
  virtual std::vector<std::string> Locations() = 0;
};

class Session {
 public:
  virtual ~Session() = default;
  virtual void LogOn() = 0;
  virtual void LogOff() = 0;
  virtual std::shared_ptr<Collection<InfoStore>> InfoStores() = 0;
};

// Creates a new session object of a message store service; may throw or return null.
using SessionFactory = std::function<std::shared_ptr<Session>()>;

}  // namespace store
