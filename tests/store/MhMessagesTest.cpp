// MH folders as other mail clients keep them: found without opening a message, and each message
// read at its turn as it is then. Which files of a folder are its messages, in what order, and
// where MH folders lie in a tree, is kept under tests/data/mh and tests/data/stores.

#include <sys/inotify.h>
#include <unistd.h>

#include <functional>
#include <map>

#include "StoreReading.h"
#include "store/local/LocalStore.h"
#include "store/mh/MhMessages.h"

using store::local::FoundStore;
namespace fs = std::filesystem;

namespace {

// Which of the watched files were opened since the last call, by name.
class OpenedFiles {
 public:
  OpenedFiles() : watch_(inotify_init1(IN_NONBLOCK)) {}
  ~OpenedFiles() { close(watch_); }

  void Watch(const std::string& path) {
    const int id = inotify_add_watch(watch_, path.c_str(), IN_OPEN | IN_CLOSE_NOWRITE);
    ASSERT_GE(id, 0) << path;
    paths_[id] = path;
  }

  Names Opened() {
    Names opened;
    alignas(inotify_event) char events[4096];
    for (ssize_t n; (n = read(watch_, events, sizeof events)) > 0;) {
      for (char* at = events; at < events + n;) {
        const auto* event = reinterpret_cast<const inotify_event*>(at);
        if (event->mask & IN_OPEN) opened.push_back(paths_[event->wd]);
        at += sizeof(inotify_event) + event->len;
      }
    }
    return opened;
  }

  // Waits until the file has been read and closed.
  void WaitForClose(const std::string& path) {
    for (int wait = 0; wait < 500; ++wait) {
      alignas(inotify_event) char events[4096];
      for (ssize_t n; (n = read(watch_, events, sizeof events)) > 0;) {
        for (char* at = events; at < events + n;) {
          const auto* event = reinterpret_cast<const inotify_event*>(at);
          if ((event->mask & IN_CLOSE_NOWRITE) && paths_[event->wd] == path) return;
          at += sizeof(inotify_event) + event->len;
        }
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    ADD_FAILURE() << path << " was never read";
  }

 private:
  int watch_;
  std::map<int, std::string> paths_;
};

// Everything the window shows of a tree before a folder is exported: each folder's name, where
// it is kept, its folders and how many messages it has; and the places an export is kept out of.
void ListAsTheWindowDoes(store::InfoStore& infoStore) {
  std::function<void(store::Folder&)> list = [&](store::Folder& folder) {
    folder.Name();
    folder.Origin();
    folder.Messages()->Count();
    Each(folder.Folders(), [&](auto& child) {
      list(*child);
      return 0;
    });
  };
  list(*infoStore.RootFolder());
  infoStore.Locations();
}

}  // namespace

TEST(MhFolders, AreFoundAndCountedWithoutOpeningAMessage) {
  TempHome home;
  OpenedFiles files;
  // Claws Mail's folders beside an mbox file; a subfolder "2023", a number like its messages.
  home.Write("Mail/saved", "From a Mon Jan  1 00:00:00 2024\nSubject: saved\n\n");
  home.Write("Mail/inbox/.claws_mark", "");
  home.Write("Mail/inbox/2023/.mh_sequences", "");
  home.Write("Mail/drafts/.sylpheed_cache", "");
  for (const std::string message :
       {"inbox/1", "inbox/2", "inbox/10", "inbox/,3", "inbox/2023/1", "drafts/1", "drafts/12"})
    files.Watch(home.Write("Mail/" + message, "From: a\nSubject: " + message + "\n\n"));
  Names opened;
  for (const auto kind : {FoundStore::Kind::MboxTree, FoundStore::Kind::MhTree}) {
    store::local::LocalStore infoStore({kind, "Mail", home / "Mail", ""});
    ListAsTheWindowDoes(infoStore);
    for (const std::string& file : files.Opened()) opened.push_back(file);
  }
  EXPECT_EQ(opened, Names{}) << "opened to tell folders apart or to count messages";
  // The watch does see a message read.
  EXPECT_EQ(Subjects(std::make_shared<store::mh::MhMessages>(home / "Mail/inbox/2023")),
            Names{"inbox/2023/1"});
  EXPECT_EQ(files.Opened(), Names{home / "Mail/inbox/2023/1"});
}

TEST(MhMessages, ReadAgainWhenChangedSinceReadAheadAndFailWhenDeletedMeanwhile) {
  TempHome home;
  OpenedFiles files;
  for (int i = 1; i <= 5; ++i) {
    files.Watch(
        home.Write("inbox/" + std::to_string(i), "Subject: m" + std::to_string(i) + "\n\n"));
  }
  auto messages = std::make_shared<store::mh::MhMessages>(home / "inbox");
  std::shared_ptr<store::Message> message;
  store::Walk walk(messages, message);
  EXPECT_EQ(message->Subject(), "m1");
  files.WaitForClose(home / "inbox/3");  // read ahead
  // nmh deletes message 2 by renaming it; another client edits message 3.
  fs::rename(home / "inbox/2", home / "inbox/,2");
  home.Write("inbox/3", "Subject: m3, edited\n\n");
  Names subjects;
  for (walk.Advance(); !walk.done(); walk.Advance())
    subjects.push_back(TextOf([&] { return message->Subject(); }));
  EXPECT_EQ(subjects, (Names{"<unreadable: " + home / "inbox/2" + ": No such file or directory>",
                             "m3, edited", "m4", "m5"}));
}
