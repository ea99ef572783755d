#pragma once

// Reading the real local store the way the window and the export do: through a session.

#include <grp.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "TempHome.h"
#include "discovery/Service.h"
#include "store/Store.h"
#include "store/Walk.h"

using Names = std::vector<std::string>;

inline constexpr const char* kAbsent = "<absent>";

// `read` applied to each element of the collection, in walk order.
template <class T, class Read>
auto Each(const std::shared_ptr<store::Collection<T>>& collection, Read read) {
  std::vector<decltype(read(std::declval<std::shared_ptr<T>&>()))> results;
  std::shared_ptr<T> element;
  for (store::Walk walk(collection, element); !walk.done(); walk.Advance()) {
    results.push_back(read(element));
  }
  return results;
}

template <class T>
std::shared_ptr<T> Named(const std::shared_ptr<store::Collection<T>>& collection,
                         const std::string& name) {
  for (const auto& element : Each(collection, [](auto& e) { return e; })) {
    if (element->Name() == name) return element;
  }
  ADD_FAILURE() << "nothing named " << name;
  return nullptr;
}

// The names of the stores a new session finds.
inline Names StoreNames() {
  auto session = discovery::CreateSession();
  session->LogOn();
  return Each(session->InfoStores(), [](auto& infoStore) { return infoStore->Name(); });
}

// The folder reached from the root of that store through these names.
inline std::shared_ptr<store::Folder> FolderAt(const std::string& store, const Names& path = {}) {
  auto session = discovery::CreateSession();
  session->LogOn();
  auto infoStore = Named(session->InfoStores(), store);
  auto folder = infoStore ? infoStore->RootFolder() : nullptr;
  for (const std::string& name : path) folder = folder ? Named(folder->Folders(), name) : nullptr;
  return folder;
}

inline Names FolderNames(const std::shared_ptr<store::Folder>& folder) {
  return Each(folder->Folders(), [](auto& child) { return child->Name(); });
}

// A field by name: its text, "<absent>" when the message has none, or "<unreadable: reason>".
inline std::string Read(store::Message& message, const std::string& field) {
  static const std::map<std::string, std::function<std::string(store::Message&)>> readers = {
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
    return error.unreadable() ? "<unreadable: " + std::string(error.what()) + ">" : kAbsent;
  }
}

// That field of each message of the folder, in walk order.
inline Names Fields(const std::shared_ptr<store::Folder>& folder,
                    const std::string& field = "subject") {
  return Each(folder->Messages(), [&](auto& message) { return Read(*message, field); });
}

inline std::string Joined(const Names& names) {
  std::string joined;
  for (const std::string& name : names) joined += (joined.empty() ? "" : ", ") + name;
  return joined;
}

// The subjects of the messages of the folder reached through `path`, or why they cannot be had:
// "<unreadable: reason>".
inline std::string Listed(const std::string& store, const Names& path) {
  auto folder = FolderAt(store, path);
  if (!folder) return "<no such folder>";
  try {
    return Joined(Fields(folder));
  } catch (const store::Error& error) {
    return "<unreadable: " + std::string(error.what()) + ">";
  }
}

// In a child process: exits 0 when `read` gives `expected`, else shows the difference and exits 1.
// As root, which reads every file whatever its mode, it first becomes the unprivileged user nobody.
[[noreturn]] inline void ReadAsNobody(const std::function<Names()>& read, const Names& expected) {
  if (geteuid() == 0 && (setgroups(0, nullptr) != 0 || setgid(65534) != 0 || setuid(65534) != 0)) {
    _exit(2);
  }
  const Names actual = read();
  for (std::size_t i = 0; i < std::max(actual.size(), expected.size()); ++i) {
    const char* got = i < actual.size() ? actual[i].c_str() : "<nothing>";
    const char* want = i < expected.size() ? expected[i].c_str() : "<nothing>";
    if (std::string_view(got) != want) std::fprintf(stderr, "%s\n  expected %s\n", got, want);
  }
  _exit(actual == expected ? 0 : 1);
}

// Expects `read` to give `expected` as nobody, in a child process; the home is opened to nobody.
inline void ExpectAsNobody(const TempHome& home, const std::function<Names()>& read,
                           const Names& expected) {
  std::filesystem::permissions(home.path(), std::filesystem::perms::others_exec,
                               std::filesystem::perm_options::add);
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(ReadAsNobody(read, expected), testing::ExitedWithCode(0), "");
}

// The only message of a new maildir holding these bytes under that file name.
inline std::shared_ptr<store::Message> Delivered(
    const TempHome& home, const std::string& bytes,
    const std::string& file = "1710000000.M1P1.host:2,S") {
  std::filesystem::remove_all(home / "Maildir");
  home.Maildir("Maildir");
  home.Write("Maildir/cur/" + file, bytes);
  auto messages = Each(FolderAt("Maildir", {"Inbox"})->Messages(), [](auto& m) { return m; });
  EXPECT_EQ(messages.size(), 1u);
  return messages.empty() ? nullptr : messages[0];
}

// A field's expected text; the message is a fixture's name ("….eml") or the message's bytes.
struct FieldCase {
  std::string message, field, text;
};

// Each message, delivered alone into a maildir, gives exactly that text in that field.
inline void ExpectFields(const std::vector<FieldCase>& cases) {
  TempHome home;
  for (const FieldCase& c : cases) {
    SCOPED_TRACE(c.field + " of " + c.message.substr(0, 80));
    auto message = Delivered(home, c.message.ends_with(".eml") ? Fixture(c.message) : c.message);
    EXPECT_EQ(Read(*message, c.field), c.text);
  }
}
