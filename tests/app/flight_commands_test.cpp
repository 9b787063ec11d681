#include "app/flight_commands.h"

#include <optional>

#include "app/maintenance_commands.h"
#include "server/airline_fixture.h"
#include "store/database.h"
#include "support/stored_flights.h"

namespace kestrix {
namespace {

using airline::FaultKind;
using airline::ReportField;
using airline::Route;
using namespace FlightStatus;
using test::StoredFlight;

constexpr const char* kChanged = "Flight status has successfully been changed.";
constexpr const char* kChangeFailed = "There was an error changing the flight status.";
constexpr const char* kDeleted = "Flight has been successfully deleted.";
constexpr const char* kNotConnected = "You need to be connected to the internet to perform this action.";

class FlightCommands : public test::AirlineFixture {
 protected:
  AvailableFlight StoreFlight(const std::string& flightId, int32_t status) {
    return test::AppendFlight(test::MakeFlight(flightId, "SCH", status));
  }

  static FlightRecord Record(const std::string& flightId, int32_t minutes) {
    FlightRecord record;
    record.flightId = flightId;
    record.startTime = 1'700'000'000;
    record.flightMinutes = minutes;
    record.fuelUsed = 1200;
    record.points = {{41.5, -87.25, 3000, 90}, {42.0, -88.0, 5000, 360}};
    return record;
  }

  // Puts the flight's report on the server, filed or not.
  void ReportOnServer(const AvailableFlight& flight, bool filed) {
    std::vector<std::string> values(airline::kReportValueCount);
    values[static_cast<size_t>(ReportField::LocalId)] = flight.localId;
    values[static_cast<size_t>(ReportField::FlightId)] = flight.flightId;
    airline.State().AddReport(values);
    if (filed) airline.State().MarkFiled(flight.localId);
  }

  std::vector<FlightRecord> StoredReports() {
    std::vector<FlightRecord> reports;
    Database().ReadFlightReports(reports, true);
    return reports;
  }

  bool HasTempFlight(const std::string& flightId) {
    std::vector<std::string> ids;
    Database().ReadTempFlightIds(ids);
    return std::find(ids.begin(), ids.end(), flightId) != ids.end();
  }

  std::vector<std::string> Questions() {
    std::vector<std::string> questions;
    for (const auto& box : boxes.Shown())
      if (box.flags == MessageKind::Question) questions.push_back(box.text);
    return questions;
  }

  WindowHandle owner = reinterpret_cast<WindowHandle>(0x51);
};

TEST_F(FlightCommands, StatusChangesBetweenRefuelingStopAndCompleted) {
  StoreFlight("100", StatusRefuelingStop);
  StoreFlight("200", StatusCompleted);
  boxes.Answer(MessageResult::Yes);
  EXPECT_EQ(ChangeFlightStatus(owner, "100", StatusRequest::Completed), CommandOutcome::Done);
  boxes.Answer(MessageResult::Yes);
  EXPECT_EQ(MarkRefuelingStop(owner, "200"), CommandOutcome::Done);
  boxes.Answer(MessageResult::No);
  EXPECT_EQ(MarkRefuelingStop(owner, "100"), CommandOutcome::Declined);

  EXPECT_EQ(StoredFlight("100")->status, StatusCompleted);
  EXPECT_EQ(StoredFlight("200")->status, StatusRefuelingStop);
  EXPECT_EQ(Questions(), (std::vector<std::string>{
                             "Are you sure you want to change the status of flight HAL100 to a Completed Flight?",
                             "Are you sure you want to change the status of flight HAL200 to a Refueling Stop?",
                             "Are you sure you want to change the status of flight HAL100 to a Refueling Stop?"}));
  EXPECT_EQ(boxes.Texts()[1], kChanged);
  for (const auto& box : boxes.Shown()) EXPECT_EQ(box.owner, owner) << box.text;
  EXPECT_TRUE(StoredReports().empty());
}

TEST_F(FlightCommands, FlightInProgressHasItsSavedFlightCompletedIntoAReport) {
  for (const int32_t target : {StatusRequest::RefuelingStop, StatusRequest::Completed}) {
    const std::string flightId = std::to_string(300 + target);
    StoreFlight(flightId, target == StatusRequest::Completed ? StatusInProgress | StatusRefuelingStop
                                                             : StatusInProgress);
    FlightRecord saved = Record(flightId, 0);
    saved.recordedTime = 2 * 3600 + 5 * 60 + 59;
    saved.groundTime = 11 * 60 + 30;
    ASSERT_TRUE(Database().WriteTempFlight(saved));
    boxes.Clear();

    boxes.Answer(MessageResult::Yes);
    EXPECT_EQ(ChangeFlightStatus(owner, flightId, target), CommandOutcome::Done);

    EXPECT_EQ(StoredFlight(flightId)->status, target);
    EXPECT_FALSE(HasTempFlight(flightId));
    const std::vector<FlightRecord> reports = StoredReports();
    ASSERT_FALSE(reports.empty());
    const FlightRecord& report = reports.back();
    EXPECT_EQ(report.flightId, flightId);
    EXPECT_EQ(report.flightMinutes, 125);
    EXPECT_EQ(report.groundMinutesLeft, 30 - 11);  // the stand-in's "maxGroundTime" is 30
    EXPECT_EQ(report.fuelUsed, 1200);
    EXPECT_EQ(report.points, saved.points);
    // Completing the flight says nothing beyond the question.
    EXPECT_EQ(boxes.Texts().size(), target == StatusRequest::Completed ? 1u : 2u);
  }
}

TEST_F(FlightCommands, FlightInProgressWithoutItsSavedFlightKeepsItsStatus) {
  StoreFlight("400", StatusInProgress);
  boxes.Answer(MessageResult::Yes);
  EXPECT_EQ(ChangeFlightStatus(owner, "400", StatusRequest::Completed), CommandOutcome::Failed);
  EXPECT_EQ(StoredFlight("400")->status, StatusInProgress);
  EXPECT_TRUE(StoredReports().empty());
  EXPECT_TRUE(boxes.Saw(kChangeFailed));
}

TEST_F(FlightCommands, DeleteFollowsTheServersAnswers) {
  enum class Server { Filed, Unfiled, NoReport, CheckFails };
  struct Case {
    Server server;
    bool keptMarkedRemoved;
    size_t removalRequests;
  };
  const Case cases[] = {
      {Server::Filed, true, 0},
      {Server::Unfiled, false, 1},
      {Server::NoReport, false, 0},
      {Server::CheckFails, false, 0},
  };
  int n = 0;
  for (const Case& c : cases) {
    const std::string flightId = std::to_string(500 + n++);
    const AvailableFlight flight = StoreFlight(flightId, StatusCompleted);
    const AvailableFlight other = StoreFlight(flightId + "0", StatusCompleted);
    ASSERT_TRUE(Database().WriteFlightReport(Record(flightId, 30)));
    ASSERT_TRUE(Database().WriteFlightReport(Record(other.flightId, 40)));
    if (c.server == Server::Filed || c.server == Server::Unfiled) ReportOnServer(flight, c.server == Server::Filed);
    if (c.server == Server::CheckFails) airline.Faults().Set(Route::CheckFlightFiled, test::MakeFault(FaultKind::Error));
    airline.State().ClearRequests();
    boxes.Clear();

    boxes.Answer(MessageResult::Yes);
    EXPECT_EQ(DeleteFlight(owner, flightId), CommandOutcome::Done) << flightId;
    airline.Faults().ClearAll();

    const auto stored = StoredFlight(flightId);
    EXPECT_EQ(stored.has_value(), c.keptMarkedRemoved) << flightId;
    if (stored) {
      EXPECT_EQ(stored->status, StatusRemoved) << flightId;
    }
    EXPECT_EQ(StoredReports().size(), 1u) << flightId;
    EXPECT_EQ(StoredReports()[0].flightId, other.flightId) << flightId;
    EXPECT_EQ(RequestsTo(Route::RemoveFlight).size(), c.removalRequests) << flightId;
    EXPECT_EQ(airline.State().ReportFor(flight.localId).has_value(), c.server == Server::Filed) << flightId;
    EXPECT_EQ(Questions(), std::vector<std::string>{"Are you sure you want to remove the data for flight HAL" +
                                                    flightId + "?"});
    EXPECT_EQ(boxes.Texts().back(), kDeleted) << flightId;
    Database().RemoveFlights({other.flightId}, false);
  }
}

TEST_F(FlightCommands, DeleteStopsWhenTheServerCannotRemoveTheReport) {
  const AvailableFlight flight = StoreFlight("600", StatusCompleted | StatusInProgress);
  ASSERT_TRUE(Database().WriteFlightReport(Record("600", 30)));
  ReportOnServer(flight, false);
  airline.Faults().Set(Route::RemoveFlight, test::MakeFault(FaultKind::Error, "Database busy."));

  boxes.Answer(MessageResult::Yes);
  EXPECT_EQ(DeleteFlight(owner, "600"), CommandOutcome::Failed);
  EXPECT_EQ(boxes.Texts().back(), "An error occurred removing the flight from the server.\r\nDatabase busy.");
  EXPECT_EQ(boxes.Shown().back().flags, MessageKind::Error);
  EXPECT_EQ(StoredFlight("600")->status, StatusCompleted | StatusInProgress);
  EXPECT_EQ(StoredReports().size(), 1u);

  // A report the server no longer has is as good as removed.
  airline.Faults().Set(Route::RemoveFlight, test::MakeFault(FaultKind::Error, "Record not found."));
  boxes.Answer(MessageResult::Yes);
  EXPECT_EQ(DeleteFlight(owner, "600"), CommandOutcome::Done);
  EXPECT_FALSE(StoredFlight("600"));
  EXPECT_TRUE(StoredReports().empty());
}

TEST_F(FlightCommands, DeleteNeedsTheInternetAndAYes) {
  StoreFlight("700", StatusCompleted);
  boxes.Answer(MessageResult::No);
  EXPECT_EQ(DeleteFlight(owner, "700"), CommandOutcome::Declined);
  InstallInternetStateProbe([] { return false; });
  EXPECT_EQ(DeleteFlight(owner, "700"), CommandOutcome::Declined);
  EXPECT_EQ(boxes.Texts().back(), kNotConnected);
  EXPECT_TRUE(StoredFlight("700"));
  EXPECT_TRUE(airline.State().Requests().empty());
}

TEST_F(FlightCommands, DownloadMergesClearsOrKeepsTheListByTheResult) {
  // Kept by every merge: a completed flight; dropped when the server no longer lists it: a fresh one.
  StoreFlight("800", StatusCompleted);
  StoreFlight("801", 0);
  ASSERT_TRUE(Database().WriteFlightReport(Record("gone", 10)));

  AvailableFlight listed;
  listed.flightId = "900";
  listed.type = "SCH";
  airline.State().SetSchedule(kUser, {listed});
  DownloadFlights(owner);
  EXPECT_TRUE(boxes.Shown().empty());
  EXPECT_TRUE(StoredFlight("800") && StoredFlight("900"));
  EXPECT_FALSE(StoredFlight("801"));
  EXPECT_TRUE(StoredReports().empty());  // its flight was never stored

  airline.Faults().Set(Route::Schedule, test::MakeFault(FaultKind::Error, "Schedule closed."));
  DownloadFlights(owner);
  EXPECT_EQ(boxes.Texts().back(), "Schedule closed.");
  EXPECT_TRUE(StoredFlight("800"));
  EXPECT_FALSE(StoredFlight("900"));
  airline.Faults().ClearAll();

  StoreFlight("901", 0);
  airline.State().SetSchedule(kUser, {});
  DownloadFlights(owner);
  EXPECT_EQ(boxes.Texts().back(), "There were no flights found to download.");
  EXPECT_EQ(boxes.Shown().back().owner, nullptr);
  EXPECT_TRUE(StoredFlight("800"));
  EXPECT_FALSE(StoredFlight("901"));

  StoreFlight("902", 0);
  airline.Stop();
  DownloadFlights(owner);
  EXPECT_EQ(boxes.Texts().back(), "There was an error downloading the flights.");
  EXPECT_EQ(boxes.Shown().back().owner, nullptr);
  EXPECT_TRUE(StoredFlight("902"));
}

TEST_F(FlightCommands, NothingIsDownloadedOffline) {
  StoreFlight("950", 0);
  InstallInternetStateProbe([] { return false; });
  DownloadFlights(owner);
  EXPECT_TRUE(StoredFlight("950"));
  EXPECT_TRUE(airline.State().Requests().empty());
  EXPECT_TRUE(boxes.Shown().empty());
}

TEST_F(FlightCommands, MaintenanceCommands) {
  EXPECT_FALSE(CheckForUpdates(owner));
  EXPECT_EQ(boxes.Texts().back(), "Kestrix2 is up to date.");
  airline.Faults().Set(Route::VersionInfo, test::MakeFault(FaultKind::Empty));
  EXPECT_FALSE(CheckForUpdates(owner));
  EXPECT_EQ(boxes.Texts().back(), "There was an error retrieving the update information.");
  EXPECT_EQ(boxes.Shown().back().owner, nullptr);

  airline.State().SetServerVariable("maxGroundTime", "45");
  RefreshServerData(owner);
  EXPECT_EQ(boxes.Texts().back(), "The server data has been updated.");
  ServerVariables variables;
  Database().ReadServerVariables(variables);
  EXPECT_EQ(variables["maxGroundTime"], "45");
  airline.Faults().Set(Route::ServerVariables, test::MakeFault(FaultKind::Empty));
  RefreshServerData(owner);
  EXPECT_EQ(boxes.Texts().back(), "There was an error refreshing the server data.");

  StoreFlight("960", StatusCompleted);
  boxes.Answer(MessageResult::No);
  EXPECT_FALSE(ResetDatabase(owner));
  EXPECT_TRUE(StoredFlight("960"));
  boxes.Answer(MessageResult::Yes);
  EXPECT_TRUE(ResetDatabase(owner));
  EXPECT_EQ(boxes.Texts().back(), "The database has been reset.");
  EXPECT_FALSE(StoredFlight("960"));
  PilotInfo pilot;
  Database().ReadPilotInfo(pilot);
  EXPECT_EQ(pilot.username, kUser);

  InstallInternetStateProbe([] { return false; });
  boxes.Clear();
  EXPECT_FALSE(CheckForUpdates(owner));
  RefreshServerData(owner);
  EXPECT_EQ(boxes.Texts(), (std::vector<std::string>{kNotConnected, kNotConnected}));
}

}  // namespace
}  // namespace kestrix
