#include <gtest/gtest.h>

#include "WireText.h"

TEST(RoastPassword, MatchesTheProtocolKey) {
  EXPECT_EQ(RoastPassword("password"), "0x2408105c23001130");
  EXPECT_EQ(RoastPassword(""), "0x");
  EXPECT_EQ(RoastPassword("a").size(), 4u);
  // The 8th character is roasted with the key's first character again.
  const std::string eight = RoastPassword("TTTTTTTT");
  ASSERT_EQ(eight.size(), 18u);
  EXPECT_EQ(eight.substr(16), "00");
  EXPECT_EQ(eight.substr(2, 2), "00");
  // Values below 16 keep their leading zero; letters are lower case.
  EXPECT_EQ(RoastPassword("U"), "0x01");
  EXPECT_EQ(RoastPassword(std::string(1, '\xFF')), "0xab");
}

TEST(NormalizeName, LowersAndRemovesSpacesOnly) {
  EXPECT_EQ(NormalizeName("  A B  "), "ab");
  EXPECT_EQ(NormalizeName("My Name 2"), "myname2");
  EXPECT_EQ(NormalizeName("    "), "");
  EXPECT_EQ(NormalizeName("a\tB\n"), "a\tb\n");
  // Bytes outside ASCII pass through, so UTF-8 names are not corrupted.
  EXPECT_EQ(NormalizeName("\xC3\x89mile"), "\xC3\x89mile");
}

TEST(EscapeText, PrefixesEachSpecialCharacterWithABackslash) {
  EXPECT_EQ(EscapeText("a$b(c)\\d"), "a\\$b\\(c\\)\\\\d");
  EXPECT_EQ(EscapeText("\""), "\\\"");
  EXPECT_EQ(EscapeText("\\"), "\\\\");
  EXPECT_EQ(EscapeText("[]{}"), "\\[\\]\\{\\}");
  EXPECT_EQ(EscapeText("plain 'text': ok\n\xE9"), "plain 'text': ok\n\xE9");
}

TEST(TrimSpaces, RemovesOnlyOuterSpaces) {
  EXPECT_EQ(TrimSpaces("  Lobby  "), "Lobby");
  EXPECT_EQ(TrimSpaces(" The Lobby"), "The Lobby");
  EXPECT_EQ(TrimSpaces("   "), "");
  EXPECT_EQ(TrimSpaces("\tx "), "\tx");
}
