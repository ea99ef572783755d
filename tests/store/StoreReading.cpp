#include "StoreReading.h"

#include <gtest/gtest.h>

#include "store/Service.h"
#include "store/Walk.h"

using store::Walk;

namespace {

std::shared_ptr<store::Folder> Child(const std::shared_ptr<store::Folder>& folder,
                                     const std::string& name) {
  std::shared_ptr<store::Folder> child;
  for (Walk walk(folder->Folders(), child); !walk.done(); walk.Advance()) {
    if (child->Name() == name) return child;
  }
  ADD_FAILURE() << "no folder " << name << " in " << folder->Name();
  return nullptr;
}

}  // namespace

std::vector<std::string> StoreNames() {
  auto session = store::CreateSession();
  session->LogOn();
  std::vector<std::string> names;
  std::shared_ptr<store::InfoStore> infoStore;
  for (Walk walk(session->InfoStores(), infoStore); !walk.done(); walk.Advance()) {
    names.push_back(infoStore->Name());
  }
  return names;
}

std::shared_ptr<store::Folder> RootOf(const std::string& name) {
  auto session = store::CreateSession();
  session->LogOn();
  std::shared_ptr<store::InfoStore> infoStore;
  for (Walk walk(session->InfoStores(), infoStore); !walk.done(); walk.Advance()) {
    if (infoStore->Name() == name) return infoStore->RootFolder();
  }
  ADD_FAILURE() << "no store " << name;
  return nullptr;
}

std::shared_ptr<store::Folder> FolderAt(const std::string& store,
                                        const std::vector<std::string>& names) {
  std::shared_ptr<store::Folder> folder = RootOf(store);
  for (const std::string& name : names) {
    if (!folder) return nullptr;
    folder = Child(folder, name);
  }
  return folder;
}

std::vector<std::string> FolderNames(const std::shared_ptr<store::Folder>& folder) {
  std::vector<std::string> names;
  std::shared_ptr<store::Folder> child;
  for (Walk walk(folder->Folders(), child); !walk.done(); walk.Advance()) {
    names.push_back(child->Name());
  }
  return names;
}

std::vector<std::shared_ptr<store::Message>> MessagesOf(
    const std::shared_ptr<store::Folder>& folder) {
  std::vector<std::shared_ptr<store::Message>> messages;
  std::shared_ptr<store::Message> message;
  for (Walk walk(folder->Messages(), message); !walk.done(); walk.Advance()) {
    messages.push_back(message);
  }
  return messages;
}

std::string Field(const std::function<std::string()>& read) {
  try {
    return read();
  } catch (const store::Error& error) {
    return error.unreadable() ? "<unreadable: " + std::string(error.what()) + ">" : "<absent>";
  }
}

std::string HeadersOf(store::Message& message) {
  return Field([&] { return message.FieldValue(store::kTransportMessageHeaders); });
}

std::string MessageIdOf(store::Message& message) {
  return Field([&] { return message.FieldValue(store::kInternetMessageId); });
}

std::vector<std::string> Subjects(const std::shared_ptr<store::Folder>& folder) {
  std::vector<std::string> subjects;
  for (const auto& message : MessagesOf(folder)) {
    subjects.push_back(Field([&] { return message->Subject(); }));
  }
  return subjects;
}
