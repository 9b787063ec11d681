#include <gtest/gtest.h>

#include <filesystem>
#include <random>

#include "literal_merge.h"
#include "store/database.h"
#include "store_fixture.h"

namespace kestrix {
namespace {

using namespace FlightStatus;
using test::RawDb;

class FlightListTest : public test::StoreTest {
 protected:
  std::vector<AvailableFlight> Stored() {
    std::vector<AvailableFlight> list;
    Database().ReadAvailableFlights(list);
    return list;
  }
  std::vector<int32_t> StoredStatuses() {
    std::vector<int32_t> statuses;
    for (const auto& f : Stored()) statuses.push_back(f.status);
    return statuses;
  }
};

// Random stored and downloaded lists over a few ids, short and GUID-long, with
// duplicates on both sides and every status bit the merge looks at.
class RandomLists {
 public:
  explicit RandomLists(unsigned seed) : random(seed) {}
  std::vector<AvailableFlight> Next(int firstTag) {
    std::vector<AvailableFlight> list;
    for (int i = static_cast<int>(random() % 10); i > 0; --i) list.push_back(Entry(firstTag + i));
    return list;
  }

 private:
  AvailableFlight Entry(int tag) {
    static const std::string guid = "0f8fad5b-d9cb-469f-a165-70867728950";
    const int32_t bits[] = {StatusCompleted, StatusInProgress, StatusFiled, StatusRetained, StatusRemoved};
    AvailableFlight f;
    const int id = static_cast<int>(random() % 12);
    f.flightId = id % 3 == 0 ? guid + std::to_string(id % 10) : std::to_string(id);
    f.localId = "L" + std::to_string(tag);
    f.arrival = std::to_string(random() % 1000);
    for (int32_t bit : bits) f.status |= random() % 3 == 0 ? bit : 0;
    return f;
  }
  std::mt19937 random;
};

TEST(MergeAvailableFlights, MatchesTheNestedLoopsOnRandomListsWithDuplicates) {
  RandomLists lists(11);
  for (int round = 0; round < 3000; ++round) {
    const std::vector<AvailableFlight> stored = lists.Next(0);
    std::vector<AvailableFlight> downloaded = lists.Next(100);
    auto expected = downloaded;
    oracle::LiteralMerge(stored, expected);
    MergeAvailableFlights(stored, downloaded);
    ASSERT_EQ(downloaded, expected) << "round " << round;
  }
}

// The store merges on the stored rows' keys and reads back only the rows it keeps.
TEST_F(FlightListTest, MergingWriteMatchesTheNestedLoopsOnRandomListsWithDuplicates) {
  RandomLists lists(12);
  Database db;
  for (int round = 0; round < 60; ++round) {
    std::vector<AvailableFlight> stored = lists.Next(0);
    ASSERT_TRUE(db.WriteAvailableFlights(stored, false));
    std::vector<AvailableFlight> downloaded = lists.Next(100);
    auto expected = downloaded;
    oracle::LiteralMerge(stored, expected);
    ASSERT_TRUE(db.WriteAvailableFlights(downloaded, true));
    ASSERT_EQ(Stored(), expected) << "round " << round;
  }
  EXPECT_TRUE(boxes.Shown().empty());
}

TEST_F(FlightListTest, MergeKeepsIdsAndStatusesAndRetainsRemovedFlightsForOneDownload) {
  Database db;
  std::vector<AvailableFlight> first{Flight("1", StatusCompleted), Flight("2", StatusRemoved), Flight("3", 0),
                                     Flight("4", StatusRetained), Flight("5", StatusInProgress)};
  ASSERT_TRUE(db.WriteAvailableFlights(first, false));

  std::vector<AvailableFlight> download{Flight("4", 0, "new-4"), Flight("5", 0, "new-5"), Flight("6", 0, "new-6")};
  ASSERT_TRUE(db.WriteAvailableFlights(download, true));
  auto stored = Stored();
  EXPECT_EQ(stored, download);
  ASSERT_EQ(stored.size(), 5u);
  EXPECT_EQ(stored[0].localId, "local-4");
  EXPECT_EQ(stored[0].status, 0);
  EXPECT_EQ(stored[1].localId, "local-5");
  EXPECT_EQ(stored[1].status, StatusInProgress);
  EXPECT_EQ(stored[2].localId, "new-6");
  EXPECT_EQ(stored[3].flightId, "1");
  EXPECT_EQ(stored[3].status, StatusCompleted);
  EXPECT_EQ(stored[4].flightId, "2");
  EXPECT_EQ(stored[4].status, StatusRemoved | StatusRetained);

  std::vector<AvailableFlight> again{Flight("6", 0, "newer-6")};
  db.WriteAvailableFlights(again, true);
  stored = Stored();
  ASSERT_EQ(stored.size(), 2u);
  EXPECT_EQ(stored[0].localId, "new-6");
  EXPECT_EQ(stored[1].flightId, "1");
  EXPECT_TRUE(boxes.Shown().empty());
}

TEST(StatusAfterRequest, EveryRequest) {
  struct Case {
    int32_t current, request, expected;
  } cases[] = {
      {6, 0, 4},          {4, 0, 6},          {0, 0, 0},          {0x10000001, 0, 0x10000003},
      {6, 1, 1},          {0x10000000, 2, 2}, {1, 4, 4},          {7, 0x1000, 0},
      {1, 0x100000, 0x10100000}, {0, 0x100000, 0x10100000}, {5, 0x10000000, 0x10000005},
      {5, 3, 0},          {5, -1, 0},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(StatusAfterRequest(c.current, c.request), c.expected) << c.current << " " << c.request;
  }
}

TEST_F(FlightListTest, SetFlightStatusChangesEveryRowOfTheFlightAndNothingElse) {
  Database db;
  std::vector<AvailableFlight> flights{Flight("1", 6), Flight("2", 1), Flight("1", 0)};
  db.WriteAvailableFlights(flights, false);
  EXPECT_TRUE(db.SetFlightStatus("1", StatusRequest::ToggleInProgress));
  EXPECT_EQ(StoredStatuses(), (std::vector<int32_t>{4, 1, 4}));
  EXPECT_TRUE(db.SetFlightStatus("2", StatusRequest::Filed));
  EXPECT_EQ(StoredStatuses(), (std::vector<int32_t>{4, 0x10100000, 4}));
  EXPECT_TRUE(db.SetFlightStatus("missing", StatusRequest::Completed));
  EXPECT_EQ(StoredStatuses(), (std::vector<int32_t>{4, 0x10100000, 4}));
  EXPECT_TRUE(boxes.Shown().empty());
}

TEST_F(FlightListTest, ClearFlightListKeepsCompletedAndRemovedFlightsNotFiled) {
  Database db;
  EXPECT_FALSE(db.ClearFlightList());
  std::vector<AvailableFlight> flights{Flight("a", 0), Flight("b", 1), Flight("c", 2), Flight("d", 0x10000000),
                                       Flight("e", 0x10100000)};
  db.WriteAvailableFlights(flights, false);
  EXPECT_TRUE(db.ClearFlightList());
  EXPECT_EQ(StoredStatuses(), (std::vector<int32_t>{1, 0x10000000}));
}

TEST_F(FlightListTest, RemoveFlightsTakesReportsAndTempFlightsOfTheGivenFlightsOnly) {
  Database db;
  std::vector<AvailableFlight> flights{Flight("1", StatusCompleted | StatusRefuelingStop), Flight("2", 4), Flight("3")};
  db.WriteAvailableFlights(flights, false);
  db.WriteFlightReport(Report("1", 2));
  db.WriteFlightReport(Report("2", 3));
  db.WriteFlightReport(Report("1", 1));
  // Flight 2 goes on after its refuelling stop: its saved flight must survive.
  db.WriteTempFlight(Report("2", 1));
  db.WriteTempFlight(Report("1", 1));

  ASSERT_TRUE(db.RemoveFlights({"1"}, true));
  EXPECT_EQ(StoredStatuses(), (std::vector<int32_t>{StatusRemoved, 4, 0}));
  std::vector<FlightRecord> reports;
  ASSERT_EQ(db.ReadFlightReports(reports, true), 1);
  EXPECT_EQ(reports[0], Report("2", 3));
  std::vector<std::string> temp;
  db.ReadTempFlightIds(temp);
  EXPECT_EQ(temp, std::vector<std::string>{"2"});

  ASSERT_TRUE(db.RemoveFlights({"2", "3"}, false));
  ASSERT_EQ(Stored().size(), 1u);
  EXPECT_EQ(db.ReadFlightReports(reports, false), 0);
  db.ReadTempFlightIds(temp);
  EXPECT_TRUE(temp.empty());
  EXPECT_TRUE(boxes.Shown().empty());
}

TEST_F(FlightListTest, PurgeOrphanReportsRemovesReportsWithoutTheirFlight) {
  Database db;
  std::vector<AvailableFlight> flights{Flight("1", StatusCompleted)};
  db.WriteAvailableFlights(flights, false);
  db.WriteFlightReport(Report("1", 1));
  db.WriteFlightReport(Report("9", 1));
  EXPECT_TRUE(db.PurgeOrphanReports());
  std::vector<FlightRecord> reports;
  ASSERT_EQ(db.ReadFlightReports(reports, false), 1);
  EXPECT_EQ(reports[0].flightId, "1");
  EXPECT_EQ(StoredStatuses(), std::vector<int32_t>{StatusCompleted});

  // With no flights at all every report goes.
  std::vector<AvailableFlight> none;
  db.WriteAvailableFlights(none, false);
  EXPECT_TRUE(db.PurgeOrphanReports());
  EXPECT_EQ(db.ReadFlightReports(reports, false), 0);
  EXPECT_TRUE(Stored().empty());
}

TEST_F(FlightListTest, PurgeKeepsReportsWhenTheFlightListCannotBeRead) {
  Database db;
  db.WriteFlightReport(Report("1", 1));
  RawDb raw;
  ASSERT_TRUE(raw.Exec("drop table flights_data"));
  EXPECT_FALSE(db.PurgeOrphanReports());
  EXPECT_EQ(Captions(), std::vector<std::string>{"GetAvailableFlights"});
  std::vector<FlightRecord> reports;
  EXPECT_EQ(db.ReadFlightReports(reports, false), 1);
}

TEST_F(FlightListTest, PurgeWithoutReportsStillFailsOnAnUnreadableList) {
  RawDb raw;
  ASSERT_TRUE(raw.Exec("drop table flights_data"));
  EXPECT_FALSE(Database().PurgeOrphanReports());
  EXPECT_EQ(Captions(), std::vector<std::string>{"GetAvailableFlights"});
}

// A rewrite that frees most of the file gives the space back; one that takes
// its pages up again leaves the file as it is.
TEST_F(FlightListTest, ListRewritesShrinkTheFileWhenMostOfItIsFree) {
  std::vector<AvailableFlight> large;
  for (int i = 0; i < 3000; ++i) large.push_back(Flight(std::to_string(i), 0));
  Database db;
  auto list = large;
  db.WriteAvailableFlights(list, false);
  const auto fullSize = std::filesystem::file_size(kDatabaseFile);
  list = large;
  db.WriteAvailableFlights(list, false);
  EXPECT_EQ(std::filesystem::file_size(kDatabaseFile), fullSize);

  std::vector<AvailableFlight> small(large.begin(), large.begin() + 10);
  db.WriteAvailableFlights(small, false);
  EXPECT_LT(std::filesystem::file_size(kDatabaseFile), fullSize / 10);
  EXPECT_EQ(RawDb().Number("PRAGMA freelist_count"), 0);
  EXPECT_EQ(Stored(), small);
}

}  // namespace
}  // namespace kestrix
