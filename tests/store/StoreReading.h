#pragma once

// Reading stores through the store interface, the way the window and the export do.

#include <grp.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <functional>
#include <thread>

#include "TempHome.h"
#include "discovery/Service.h"
#include "store/Walk.h"

using Names = std::vector<std::string>;

// `read` applied to each element of the collection, in walk order.
template <class T, class Read>
auto Each(const std::shared_ptr<store::Collection<T>>& collection, Read read) {
  std::vector<decltype(read(std::declval<std::shared_ptr<T>&>()))> results;
  std::shared_ptr<T> element;
  for (store::Walk walk(collection, element); !walk.done(); walk.Advance())
    results.push_back(read(element));
  return results;
}

inline auto ThreadsRunning() {
  return std::distance(std::filesystem::directory_iterator("/proc/self/task"), {});
}

// The threads running once those that were joined have left: the system may list a joined
// thread for a moment after its join returned.
inline auto ThreadsLeft(long expected) {
  for (int wait = 0; ThreadsRunning() != expected && wait < 200; ++wait)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  return ThreadsRunning();
}

// `file` compressed by the real tool that the suffix of `to` names (.gz gzip, .bz2 bzip2, .xz xz)
// into `to`; gives `to`. The fastest level, for quick tests and bzip2's smallest blocks.
inline std::string Compressed(const std::string& file, const std::string& to) {
  const std::string tool = to.ends_with(".gz") ? "gzip" : to.ends_with(".bz2") ? "bzip2" : "xz";
  EXPECT_EQ(std::system((tool + " -1 -c '" + file + "' > '" + to + "'").c_str()), 0) << tool;
  return to;
}

// The names of the stores a new session finds.
inline Names StoreNames() {
  auto session = discovery::CreateSession();
  session->LogOn();
  return Each(session->InfoStores(), [](auto& infoStore) { return infoStore->Name(); });
}

inline std::string Joined(const Names& names, const std::string& between = ", ") {
  std::string joined;
  for (const std::string& name : names) joined += (joined.empty() ? "" : between) + name;
  return joined;
}

// What `read` gives, or "<absent>" when it finds nothing, or "<unreadable: reason>".
inline std::string TextOf(const std::function<std::string()>& read) {
  try {
    return read();
  } catch (const store::Error& error) {
    return error.unreadable() ? "<unreadable: " + std::string(error.what()) + ">" : "<absent>";
  }
}

// Every field of a message as TextOf gives it, in the order the .fields files under tests/data
// give them, which kFieldNames names.
inline const Names kFieldNames = {"headers",    "id",   "subject", "sender",
                                  "recipients", "date", "body"};
inline Names AllFields(store::Message& m) {
  return {TextOf([&] { return m.FieldValue(store::kTransportMessageHeaders); }),
          TextOf([&] { return m.FieldValue(store::kInternetMessageId); }),
          TextOf([&] { return m.Subject(); }),
          TextOf([&] { return m.Sender(); }),
          TextOf([&] { return m.Recipients(); }),
          TextOf([&] { return m.MessageDate(); }),
          TextOf([&] { return m.BodyText(); })};
}

inline Names Subjects(const std::shared_ptr<store::Collection<store::Message>>& messages) {
  return Each(messages, [](auto& message) { return TextOf([&] { return message->Subject(); }); });
}

// A folder and all below it on one line: its name, the subjects of its messages in brackets (and
// their count when Count says otherwise), its folders in braces, or why either cannot be read:
// "Mail {inbox [hello, again]; Archive {2023 [old]}; locked <unreadable: reason>}".
inline std::string Outline(store::Folder& folder) {
  std::string text = folder.Name();
  const std::string subjects = TextOf([&] {
    Names names = Subjects(folder.Messages());
    const long count = folder.Messages()->Count();
    if (count != std::ssize(names)) names.push_back("(" + std::to_string(count) + ")");
    return names.empty() ? "" : "[" + Joined(names) + "]";
  });
  const std::string folders = TextOf([&] {
    const Names names = Each(folder.Folders(), [](auto& child) { return Outline(*child); });
    return names.empty() ? "" : "{" + Joined(names, "; ") + "}";
  });
  for (const std::string& part : {subjects, folders}) text += part.empty() ? "" : " " + part;
  return text;
}

// Expects `read` to give `expected` when run as the unprivileged user nobody, in a child process,
// since root reads every file whatever its mode; the home is opened to nobody.
inline void ExpectAsNobody(const TempHome& home, const std::function<std::string()>& read,
                           const std::string& expected) {
  std::filesystem::permissions(home.path(), std::filesystem::perms::others_exec,
                               std::filesystem::perm_options::add);
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(
      {
        if (geteuid() == 0 && (setgroups(0, nullptr) || setgid(65534) || setuid(65534))) _exit(2);
        const std::string actual = read();
        std::fprintf(stderr, "%s\n  expected %s\n", actual.c_str(), expected.c_str());
        _exit(actual == expected ? 0 : 1);
      },
      testing::ExitedWithCode(0), "");
}
