// The messages of one maildir while another mail client renames them through the listing and the
// walk. Which messages a maildir holds, in what order, and what their file names add, is kept
// under tests/data/maildir; what a walk makes of a message changed after it was listed, in
// ReadAheadTest.

#include <random>
#include <thread>

#include "StoreReading.h"
#include "store/maildir/MaildirMessages.h"
#include "store/maildir/PackedNames.h"

using store::maildir::MaildirMessages;

TEST(MaildirMessages, EachMessageOnceWhileAnotherClientRenamesThemThroughTheListingAndTheWalk) {
  TempHome home;
  home.Maildir("Maildir");
  auto messages = [&] { return std::make_shared<MaildirMessages>(home / "Maildir"); };
  constexpr int kMessages = 3000;
  Names uniques, subjects;
  for (int i = 0; i < kMessages; ++i) {
    uniques.push_back(std::to_string(1700000000 + i) + ".M" + std::to_string(i) + ".host");
    subjects.push_back("m" + std::to_string(i));
    home.Write("Maildir/new/" + uniques.back(), "Subject: " + subjects.back() + "\n\n");
  }
  std::sort(subjects.begin(), subjects.end());
  // The other client goes through the messages in its own order, round after round: first
  // taking each from new/ to cur/ as seen, then marking it answered, unmarking it, and so on.
  std::atomic<bool> done = false;
  std::atomic<int> renamed = 0;
  std::thread client([&, order = uniques]() mutable {
    std::shuffle(order.begin(), order.end(), std::mt19937(7));
    const std::string maildir = home / "Maildir/";
    for (int round = 0; !done; ++round) {
      for (std::size_t i = 0; i < order.size() && !done; ++i, ++renamed) {
        const std::string seen = "cur/" + order[i] + ":2,S", answered = "cur/" + order[i] + ":2,RS";
        const std::string from = round == 0 ? "new/" + order[i] : round % 2 ? seen : answered;
        std::rename((maildir + from).c_str(), (maildir + (round % 2 ? answered : seen)).c_str());
      }
    }
  });
  while (renamed < kMessages / 2) std::this_thread::yield();
  std::vector<long> counts;
  for (int listing = 0; listing < 4; ++listing) counts.push_back(messages()->Count());
  const auto taken = messages();
  Names walked = Subjects(taken);  // any read that failed shows here
  done = true;
  client.join();
  std::sort(walked.begin(), walked.end());
  EXPECT_TRUE(walked == subjects) << walked.size() << " walked, not each message once";
  EXPECT_EQ(counts, std::vector<long>(4, kMessages));
  // A listing, once taken, keeps its messages; mail delivered since is in the next one.
  home.Write("Maildir/new/1800000000.M1.host", "Subject: later\n\n");
  EXPECT_EQ(taken->Count(), kMessages);
  EXPECT_EQ(messages()->Count(), kMessages + 1);
}

TEST(PackedNames, EveryNameReadsBackAsItWasAdded) {
  struct Row {
    const char* why;
    std::string name;
  };
  const std::vector<Row> rows = {
      {"the usual form", "cur/1700000000.M81P4021Q12.host.example.org,S=2301,W=2360:2,RS"},
      {"leading zeros", "new/0001700000000.M0P007.h"},
      {"only zeros", "cur/000.0:2,"},
      {"nineteen digits, the most one run holds", "cur/9999999999999999999.x"},
      {"a longer run of digits", "cur/123456789012345678901234567890123456789012.x"},
      {"bytes of any value", std::string("cur/17\x01\xff\xc3\xa9.\x7f:2,S", 14)},
      {"letters only", "cur/message"},
      {"one character", "x"},
      {"the longest file name", "cur/" + std::string(251, 'a')},
  };
  store::maildir::PackedNames names;
  std::vector<store::maildir::PackedNames::Handle> handles;
  for (const Row& row : rows) handles.push_back(names.Add(row.name));
  // Names of no common pattern fill the table of runs; those after it are kept as they are.
  std::vector<std::string> unlike;
  for (int i = 0; i < 5000; ++i) {
    std::string name = "cur/";
    for (int n = i; n >= 0; n = n / 26 - 1) name += static_cast<char>('a' + n % 26);
    unlike.push_back(name + ".1");
    handles.push_back(names.Add(unlike.back()));
  }
  for (std::size_t i = 0; i < rows.size(); ++i) {
    EXPECT_EQ(names.Get(handles[i]), rows[i].name) << rows[i].why;
  }
  for (std::size_t i = 0; i < unlike.size(); ++i) {
    EXPECT_EQ(names.Get(handles[rows.size() + i]), unlike[i]);
  }
}
