// The send queues and their bounds on a clock of the test's, with small bounds.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "OutputFlow.h"

using ::testing::ElementsAre;
using ::testing::IsEmpty;

namespace {

constexpr FlowBounds kBounds{1000, 3000, 1500, 5000, 5, 10};

}  // namespace

TEST(OutputFlow, AReaderIsCutOffOverItsBoundOrWhenItTakesNothingWhileOutputWaits) {
  struct Case {
    std::string what;
    // Bytes written each second, and for how many seconds.
    std::size_t takes;
    int takingSeconds;
    // Bytes queued each second.
    std::size_t given;
    // The second at which it is to be cut off; 0 for never within 20 seconds.
    int cutAt;
    bool overBound;
  };
  const std::vector<Case> cases{
      {"stops reading", 0, 0, 100, 6, false},
      {"drains some, then stops", 100, 3, 100, 8, false},
      {"takes a little and falls behind", 10, 20, 100, 12, true},
      {"takes a little and keeps up", 100, 20, 100, 0, false},
      {"has nothing waiting", 0, 0, 0, 0, false},
  };
  for (const auto& c : cases) {
    OutputFlow flow(kBounds);
    int cutAt = 0;
    bool overBound = false;
    for (int second = 1; second <= 20 && cutAt == 0; ++second) {
      // A reader that keeps up wrote what it was given the second before.
      if (second <= c.takingSeconds) flow.Written(1, c.takes, second);
      if (c.given > 0 && !flow.Queue(1, c.given, second)) {
        overBound = true;
        cutAt = second;
      }
      if (flow.ToCutOff(second) == std::vector<ConnectionId>{1}) cutAt = second;
    }
    EXPECT_EQ(cutAt, c.cutAt) << c.what;
    EXPECT_EQ(overBound, c.overBound) << c.what;
  }
}

TEST(OutputFlow, TalkersAreSlowedOnlyWhileTheTotalIsHighAndTheLargestQueuesGoFirstWhenItLasts) {
  OutputFlow flow(kBounds);
  for (ConnectionId id = 1; id <= 3; ++id) EXPECT_TRUE(flow.Queue(id, 900, 0));
  EXPECT_FALSE(flow.Slowed());
  flow.Queue(4, 400, 0);
  EXPECT_TRUE(flow.Slowed());
  flow.Written(1, 900, 1);
  EXPECT_TRUE(flow.Slowed()) << "until the total is below the lower mark";
  flow.Written(2, 900, 1);
  EXPECT_FALSE(flow.Slowed());
  flow.Queue(1, 950, 2);
  flow.Queue(2, 800, 2);
  flow.Queue(5, 700, 2);
  EXPECT_TRUE(flow.Slowed());
  // Everyone keeps writing a little, so no one is stalled, but the slowing lasts.
  for (ConnectionId id = 1; id <= 5; ++id) flow.Written(id, 1, 9);
  EXPECT_THAT(flow.ToCutOff(11), IsEmpty());
  EXPECT_THAT(flow.ToCutOff(12), ElementsAre(1, 3, 2));

  OutputFlow full(kBounds);
  for (ConnectionId id = 1; id <= 6; ++id) full.Queue(id, 800 + id, 0);
  full.Queue(7, 300, 0);
  EXPECT_THAT(full.ToCutOff(0), ElementsAre(6, 5, 4, 3, 2)) << "over the total, at once";
  for (ConnectionId id = 1; id <= 7; ++id) full.Forget(id);
  EXPECT_EQ(full.Total(), 0u);
  EXPECT_FALSE(full.Slowed());
}
