// The example Maildir that scripts/run.sh opens for a user without mail of their own.

#include <gtest/gtest.h>

#include "StoreReading.h"

TEST(ExampleMaildir, OpensWithInboxTwoTopLevelFoldersAndSubfolders) {
  TempHome home;
  home.SetEnv("MAILDIR", std::string(ORVANE_TEST_DATA) + "/../../examples/Maildir");
  EXPECT_EQ(StoreNames(), Names{"Maildir"});
  EXPECT_EQ(FolderNames(FolderAt("Maildir")), (Names{"Inbox", "Projects", "Sent"}));
  EXPECT_EQ(FolderNames(FolderAt("Maildir", {"Projects"})), (Names{"Entwürfe", "Orvane"}));
  EXPECT_EQ(Fields(FolderAt("Maildir", {"Inbox"})),
            (Names{"Lunch on Friday", "Grüße aus München", "This week at the library",
                   "Café crème après la réunion"}));
  EXPECT_EQ(Fields(FolderAt("Maildir", {"Sent"})), Names{"Re: Lunch on Friday"});
  EXPECT_EQ(Fields(FolderAt("Maildir", {"Projects"})), Names{"Project kick-off notes"});
  EXPECT_EQ(Fields(FolderAt("Maildir", {"Projects", "Orvane"})), Names{"The report, attached"});
  EXPECT_EQ(Fields(FolderAt("Maildir", {"Projects", "Entwürfe"})), Names{"Next steps (draft)"});
}
