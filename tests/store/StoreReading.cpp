#include "StoreReading.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <map>

#include "store/Service.h"

namespace {

template <class T>
std::shared_ptr<T> Named(const std::shared_ptr<store::Collection<T>>& collection,
                         const std::string& name) {
  for (const auto& element : Each(collection, [](auto& e) { return e; })) {
    if (element->Name() == name) return element;
  }
  ADD_FAILURE() << "nothing named " << name;
  return nullptr;
}

}  // namespace

Names StoreNames() {
  auto session = store::CreateSession();
  session->LogOn();
  return Each(session->InfoStores(), [](auto& infoStore) { return infoStore->Name(); });
}

std::shared_ptr<store::Folder> FolderAt(const std::string& store, const Names& path) {
  auto session = store::CreateSession();
  session->LogOn();
  auto infoStore = Named(session->InfoStores(), store);
  auto folder = infoStore ? infoStore->RootFolder() : nullptr;
  for (const std::string& name : path) folder = folder ? Named(folder->Folders(), name) : nullptr;
  return folder;
}

Names FolderNames(const std::shared_ptr<store::Folder>& folder) {
  return Each(folder->Folders(), [](auto& child) { return child->Name(); });
}

std::string Read(store::Message& message, const std::string& field) {
  using Reader = std::function<std::string(store::Message&)>;
  static const std::map<std::string, Reader> readers = {
      {"headers", [](auto& m) { return m.FieldValue(store::kTransportMessageHeaders); }},
      {"id", [](auto& m) { return m.FieldValue(store::kInternetMessageId); }},
      {"other tag", [](auto& m) { return m.FieldValue(0x0E1D001E); }},
      {"body", &store::Message::BodyText},
      {"subject", &store::Message::Subject},
      {"sender", &store::Message::Sender},
      {"recipients", &store::Message::Recipients},
      {"date", &store::Message::MessageDate}};
  try {
    return readers.at(field)(message);
  } catch (const store::Error& error) {
    return error.unreadable() ? "<unreadable: " + std::string(error.what()) + ">" : "<absent>";
  }
}

Names Fields(const std::shared_ptr<store::Folder>& folder, const std::string& field) {
  return Each(folder->Messages(), [&](auto& message) { return Read(*message, field); });
}

std::shared_ptr<store::Message> Delivered(const TempHome& home, const std::string& bytes,
                                          const std::string& file) {
  std::filesystem::remove_all(home / "Maildir");
  home.Maildir("Maildir");
  home.Write("Maildir/cur/" + file, bytes);
  auto messages = Each(FolderAt("Maildir", {"Inbox"})->Messages(), [](auto& m) { return m; });
  EXPECT_EQ(messages.size(), 1u);
  return messages.empty() ? nullptr : messages[0];
}

void ExpectFields(const std::vector<FieldCase>& cases) {
  TempHome home;
  for (const FieldCase& c : cases) {
    SCOPED_TRACE(c.field + " of " + c.message.substr(0, 80));
    auto message = Delivered(home, c.message.ends_with(".eml") ? Fixture(c.message) : c.message);
    EXPECT_EQ(Read(*message, c.field), c.text);
  }
}
