#include <gtest/gtest.h>

#include "FakeSocket.h"
#include "Functions.h"
#include "QuovTOCSock.h"

TEST(RemoveHtml, RemovesTagsLeftToRightLikeStripHtml) {
  const QuovTOCSock toc(std::make_unique<FakeSocket>());
  const std::pair<std::string, std::string> cases[] = {
      {"<b>hello</b>", "hello"}, {"no tags", "no tags"}, {"x>y<z", "x>y<z"}, {"a<b>c", "ac"},
      {"<<i>x>y", "x>y"},        {"a<b", "a<b"},         {"", ""},           {"&amp;<i>&lt;</i>", "&amp;&lt;"},
  };
  for (const auto& [input, cleaned] : cases) {
    EXPECT_EQ(toc.RemoveHtml(input), cleaned) << input;
    EXPECT_EQ(StripHtml(input), cleaned) << input;
  }
}
