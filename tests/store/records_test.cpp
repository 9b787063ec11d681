#include "store/records.h"

#include <gtest/gtest.h>

#include <cstring>

namespace kestrix {
namespace {

TEST(FlightPointLayout, PointIsTwentyFourLittleEndianBytes) {
  unsigned char bytes[kFlightPointBytes];
  EncodeFlightPoint({47.5, -122.25, 3500, 360}, bytes);
  double latitude = 47.5, longitude = -122.25;
  unsigned char expectedLatitude[8], expectedLongitude[8];
  std::memcpy(expectedLatitude, &latitude, 8);
  std::memcpy(expectedLongitude, &longitude, 8);
  EXPECT_EQ(0, std::memcmp(bytes, expectedLatitude, 8));
  EXPECT_EQ(0, std::memcmp(bytes + 8, expectedLongitude, 8));
  const unsigned char altitude[] = {0xAC, 0x0D, 0, 0};  // 3500
  const unsigned char heading[] = {0x68, 0x01, 0, 0};   // 360
  EXPECT_EQ(0, std::memcmp(bytes + 16, altitude, 4));
  EXPECT_EQ(0, std::memcmp(bytes + 20, heading, 4));
  EXPECT_EQ(DecodeFlightPoint(bytes), (FlightPoint{47.5, -122.25, 3500, 360}));
}

TEST(FlightPointLayout, BlobHoldsPointsBackToBackAndDecodingStopsAtWholePoints) {
  std::vector<FlightPoint> points = {{1, 2, 3, 4}, {-5.5, 6.25, -7, 360}, {0, 0, 0, 1}};
  auto blob = EncodeFlightPoints(points);
  ASSERT_EQ(blob.size(), 72u);
  EXPECT_EQ(DecodeFlightPoints(blob.data(), blob.size(), 3), points);
  // A damaged row: fewer bytes than its count says, or more count than bytes.
  EXPECT_EQ(DecodeFlightPoints(blob.data(), 71, 3).size(), 2u);
  EXPECT_EQ(DecodeFlightPoints(blob.data(), blob.size(), 10).size(), 3u);
  EXPECT_EQ(DecodeFlightPoints(blob.data(), blob.size(), 1).size(), 1u);
}

TEST(ProgramSettingsWord, DefaultHasOnTopOnlineChatOnTopAndScrollOnReceived) {
  using namespace ProgramSettings;
  EXPECT_EQ(Default, 262659u);
  EXPECT_EQ(Default, OnTop | Online | ChatOnTop | ChatScrollReceived);
  EXPECT_FALSE(Default & Minimized);
  EXPECT_FALSE(Default & ChatAvailable);
}

}  // namespace
}  // namespace kestrix
