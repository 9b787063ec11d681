#include "recorder/point_collector.h"

#include <gtest/gtest.h>

namespace kestrix {
namespace {

TEST(GreatCircleMiles, MatchesKnownDistances) {
  EXPECT_DOUBLE_EQ(GreatCircleMiles(47.5, -122.3, 47.5, -122.3), 0);
  // One degree of latitude on a sphere of 3963.19 miles.
  EXPECT_NEAR(GreatCircleMiles(0, 0, 1, 0), 69.17, 0.01);
  // Seattle to Portland, about 129 statute miles.
  EXPECT_NEAR(GreatCircleMiles(47.449, -122.309, 45.589, -122.597), 129, 1.5);
}

class PointCollectorTest : public ::testing::Test {
 protected:
  void SetUp() override { collector.Configure(500, 15, 100); }
  size_t Count() const { return collector.Points().size(); }
  PointCollector collector;
};

TEST_F(PointCollectorTest, ClimbGivesPointsWhereItBeginsAndEnds) {
  collector.Start({47, -122, 1000, 90});
  collector.Test({47, -122, 1000, 90});  // level after the start
  ASSERT_EQ(Count(), 2u);
  for (int altitude = 1600; altitude <= 5200; altitude += 600) collector.Test({47, -122, altitude, 90});
  EXPECT_EQ(Count(), 3u) << "one point where the climb begins";
  collector.Test({47, -122, 5300, 90});
  collector.Test({47, -122, 5300, 90});
  EXPECT_EQ(Count(), 4u) << "one point at the level-off";
  EXPECT_EQ(collector.Points().back().altitude, 5300);
}

TEST_F(PointCollectorTest, HeadingChangeTakesTheShortWayRound) {
  struct Case {
    int32_t from, to;
    bool point;
  } cases[] = {{10, 350, true}, {350, 10, true}, {10, 355, false}, {90, 106, true}, {90, 105, false}, {1, 181, true}};
  for (const auto& c : cases) {
    PointCollector turning;
    turning.Configure(500, 15, 100);
    turning.Start({47, -122, 1000, c.from});
    turning.Test({47, -122, 1000, c.from});  // level: the altitude point
    turning.Test({47, -122, 1000, c.to});
    EXPECT_EQ(turning.Points().size(), c.point ? 3u : 2u) << c.from << " to " << c.to;
  }
}

TEST_F(PointCollectorTest, TurnPointsFollowTheLastTriggeringHeading) {
  collector.Start({47, -122, 1000, 0});
  collector.Test({47, -122, 1000, 0});
  for (int heading = 10; heading <= 90; heading += 10) collector.Test({47, -122, 1000, heading});
  // 20, 40, 60, 80 each move more than 15 degrees from the last trigger.
  EXPECT_EQ(Count(), 2u + 4u);
}

TEST_F(PointCollectorTest, StraightLegPointDependsOnAltitude) {
  struct Case {
    int32_t altitude;
    double longitudeStep;  // about 47 miles per degree at 47 N
    size_t points;
  } cases[] = {{5000, 0.40, 2}, {5000, 0.45, 3}, {12000, 0.45, 2}, {12000, 4.0, 2}, {12000, 4.5, 3}};
  for (const auto& c : cases) {
    PointCollector leg;
    leg.Configure(500, 15, 100);
    leg.Start({47, 0, c.altitude, 90});
    leg.Test({47, 0, c.altitude, 90});
    leg.Test({47, c.longitudeStep, c.altitude, 90});
    EXPECT_EQ(leg.Points().size(), c.points) << c.altitude << " ft, " << c.longitudeStep << " degrees";
  }
}

TEST_F(PointCollectorTest, FullListTakesOnlyTheTouchdownPoint) {
  collector.Configure(500, 15, 3);
  collector.Start({47, -122, 1000, 0});
  collector.Test({47, -122, 1000, 0});
  collector.Test({47, -122, 1000, 90});
  ASSERT_EQ(Count(), 3u);
  collector.Test({47, -122, 1000, 180});
  EXPECT_EQ(Count(), 3u);
  collector.Finish({47.1, -122, 0, 180});
  EXPECT_EQ(Count(), 4u);
  EXPECT_FALSE(collector.Active());
  collector.Start({47.2, -122, 100, 0});
  EXPECT_EQ(Count(), 5u) << "the next take-off starts a new first point";
}

TEST_F(PointCollectorTest, LoadReplacesTheTrack) {
  collector.Start({1, 1, 1, 1});
  collector.Load({{2, 2, 2, 2}, {3, 3, 3, 3}});
  ASSERT_EQ(Count(), 2u);
  EXPECT_EQ(collector.Points()[1], (FlightPoint{3, 3, 3, 3}));
}

}  // namespace
}  // namespace kestrix
