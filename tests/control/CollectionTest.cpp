#include "Collection.h"

#include <gtest/gtest.h>

TEST(Collection, KeepsOrderAndReachesEntriesByPositionFromOneAndByKey) {
  Collection<std::string> people;
  EXPECT_EQ(people.Count(), 0u);
  EXPECT_TRUE(people.Add("Alice B", "aliceb"));
  EXPECT_TRUE(people.Add("unkeyed"));
  EXPECT_TRUE(people.Add("bob", "bob"));

  ASSERT_EQ(people.Count(), 3u);
  EXPECT_EQ(*people.Item(1), "Alice B");
  EXPECT_EQ(*people.Item(2), "unkeyed");
  EXPECT_EQ(*people.Item(3), "bob");
  EXPECT_EQ(*people.Item("bob"), "bob");
  EXPECT_EQ(people.Item(0), nullptr);
  EXPECT_EQ(people.Item(4), nullptr);
  EXPECT_EQ(people.Item("carol"), nullptr);
}

TEST(Collection, FailedInsertOrRemovalChangesNothing) {
  Collection<std::string> people;
  people.Add("Alice B", "aliceb");
  people.Add("bob", "bob");

  EXPECT_FALSE(people.Add("ALICE B", "aliceb"));
  EXPECT_FALSE(people.Remove("carol"));
  EXPECT_FALSE(people.Remove(std::size_t{3}));
  EXPECT_FALSE(people.Remove(std::size_t{0}));
  ASSERT_EQ(people.Count(), 2u);
  EXPECT_EQ(*people.Item("aliceb"), "Alice B");

  EXPECT_TRUE(people.Remove(std::size_t{1}));
  EXPECT_FALSE(people.Contains("aliceb"));
  EXPECT_TRUE(people.Add("Alice B", "aliceb")) << "a removed key may be used again";
  EXPECT_EQ(*people.Item(2), "Alice B");
}

TEST(Collection, CopyHasItsOwnKeyIndex) {
  Collection<std::string> original;
  original.Add("bob", "bob");
  Collection<std::string> copy = original;
  original.Remove("bob");
  ASSERT_NE(copy.Item("bob"), nullptr);
  EXPECT_EQ(*copy.Item("bob"), "bob");
  EXPECT_TRUE(copy.Remove("bob"));
  EXPECT_EQ(copy.Count(), 0u);
}
