#include "MessageFields.h"

#include <gtest/gtest.h>

TEST(MessageFields, LastFieldKeepsItsColons) {
  const MessageFields three("CHAT_JOIN:42:a:b", 3);
  ASSERT_EQ(three.Count(), 3u);
  EXPECT_EQ(three.View(0), "CHAT_JOIN");
  EXPECT_EQ(three.Int32(1), 42);
  EXPECT_EQ(three.Text(2), "a:b");
  EXPECT_FALSE(three.Text(3)) << "a field the message lacks is missing";

  const MessageFields all("X:1::3:", MessageFields::kAll);
  ASSERT_EQ(all.Count(), 5u);
  EXPECT_EQ(all.Text(2), "");
  EXPECT_EQ(all.Text(4), "");

  EXPECT_EQ(MessageFields("NICK", 2).Count(), 1u);
  EXPECT_EQ(MessageFields("", 2).View(0), "");
}

TEST(MessageFields, NumbersAreSignedDecimalTextInRange) {
  EXPECT_EQ(ParseNumber<std::int32_t>("0042"), 42);
  EXPECT_EQ(ParseNumber<std::int32_t>("-7"), -7);
  EXPECT_EQ(ParseNumber<std::int32_t>("+7"), 7);
  EXPECT_EQ(ParseNumber<std::int32_t>("2147483647"), 2147483647);
  EXPECT_EQ(ParseNumber<std::int32_t>("-2147483648"), -2147483647 - 1);
  for (const char* bad : {"", "+", "-", "2147483648", "4x", " 4", "4 ", "+-4", "0x10", "1e3", "4.0"}) {
    EXPECT_FALSE(ParseNumber<std::int32_t>(bad)) << '"' << bad << '"';
  }
  EXPECT_EQ(ParseNumber<std::int16_t>("-32768"), -32768);
  EXPECT_FALSE(ParseNumber<std::int16_t>("32768"));
}
