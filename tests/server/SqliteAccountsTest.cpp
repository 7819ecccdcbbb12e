// The SQLite store of lists, on files of its own.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include <unistd.h>

#include "SqliteAccounts.h"
#include "WireText.h"

TEST(SqliteAccounts, ListsOutliveTheProcessAreReplacedWholeAndGoOnlyToAccountsOfTheFile) {
  const auto directory = std::filesystem::temp_directory_path() / ("klaxo-state-" + std::to_string(getpid()));
  std::filesystem::create_directories(directory);
  const std::string path = (directory / "lists.sqlite").string();
  std::string error;
  Account pat("Pat Smith", std::nullopt);
  pat.AddGroup("Old");
  {
    SqliteAccounts db;
    ASSERT_TRUE(db.Open(path, error)) << error;
    ASSERT_TRUE(db.Save({"patsmith", pat}, error)) << error;
    std::string removed;
    pat.RemoveGroup("Old", removed);
    pat.AddGroup("Friends");
    pat.AddBuddy("Friends", "Lee \xE9", "Lee L");
    pat.AddToList(true, "carol");
    pat.AddToList(false, "eve");
    pat.SetPrivacyMode(PrivacyMode::DenyListed);
    ASSERT_TRUE(db.Save({"patsmith", pat}, error)) << error;
    ASSERT_TRUE(db.Save({"ghost", Account("Ghost", std::nullopt)}, error)) << error;
    SqliteAccounts second;
    EXPECT_FALSE(second.Open(path, error));
    EXPECT_EQ(error, "locked: another process is using it");
  }
  SqliteAccounts db;
  std::vector<ChangedAccount> kept;
  ASSERT_TRUE(db.Open(path, error) && db.Load(kept, error)) << error;
  ASSERT_EQ(kept.size(), 2u);
  EXPECT_EQ(kept[1].key, "patsmith");
  EXPECT_EQ(kept[1].account.DisplayName(), "Pat Smith");
  EXPECT_EQ(kept[1].account.ConfigurationText(), pat.ConfigurationText());

  AccountStore store;
  std::istringstream file("PAT SMITH:pw\n");
  ASSERT_TRUE(store.Load(file, error));
  EXPECT_FALSE(store.Restore(kept[0])) << "not an account of the file";
  EXPECT_TRUE(store.Restore(kept[1]));
  EXPECT_EQ(store.Find("patsmith")->DisplayName(), "Pat Smith");
  EXPECT_TRUE(store.Find("patsmith")->AcceptsRoasted(RoastPassword("pw")));
  EXPECT_FALSE(store.Find("patsmith")->AcceptsRoasted(RoastPassword("px"))) << "the password is still the file's";
  EXPECT_THAT(store.TakeChanged(), testing::IsEmpty()) << "what was kept need not be kept again";

  std::ofstream(directory / "junk") << std::string(4096, 'x');
  EXPECT_FALSE(SqliteAccounts().Open((directory / "junk").string(), error));
  EXPECT_EQ(error, "not a database");
  std::filesystem::remove_all(directory);
}
