#include "server/filing.h"

#include "airline_fixture.h"
#include "platform/web_host.h"
#include "recording_progress.h"
#include "protocol/scramble.h"
#include "store/string_protection.h"
#include "support/fake_clock.h"

namespace kestrix {
namespace {

using airline::Fault;
using airline::FaultKind;
using airline::ReportField;
using airline::Route;

// Opens the report page the way a browser would, so the server sees the visit.
class BrowsingWebHost : public WebHost {
 public:
  int ShowPage(WindowHandle owner, const std::string& firstPart, const std::string& secondPart) override {
    const std::string address = firstPart + secondPart;
    addresses.push_back(address);
    ownerEnabledDuringPage = enabled;
    pageOwner = owner;
    const size_t slash = address.find('/');
    ServerLink link;
    std::string page;
    SendHttpRequest(link, address.substr(0, slash), address.substr(slash), page, false);
    return 0;
  }
  void EnableWindow(WindowHandle, bool on) override { enabled = on; }
  void BringToTop(WindowHandle) override { ++broughtToTop; }

  std::vector<std::string> addresses;
  bool enabled = true;
  bool ownerEnabledDuringPage = true;
  WindowHandle pageOwner = nullptr;
  int broughtToTop = 0;
};

FlightRecord Leg(const std::string& flightId, int64_t start, int minutes, double rate, int speed, int pointCount) {
  FlightRecord leg;
  leg.flightId = flightId;
  leg.startTime = start;
  leg.flightMinutes = minutes;
  leg.groundMinutesLeft = minutes / 10;
  leg.fuelUsed = minutes * 100;
  leg.landingRate = rate;
  leg.landingSpeed = speed;
  leg.lastLatitude = 40 + minutes / 100.0;
  leg.lastLongitude = -80 - minutes / 100.0;
  leg.lastFeedTime = static_cast<int32_t>(start + 60);
  leg.savedTime = static_cast<int32_t>(start + 120);
  for (int i = 0; i < pointCount; ++i)
    leg.points.push_back({41.0 + i * 0.123456789 + minutes, -87.5 - i * 0.5, 1000 * i + minutes, 90});
  return leg;
}

class Filing : public test::AirlineFixture {
 protected:
  void SetUp() override {
    AirlineFixture::SetUp();
    InstallWebHost(webHost);
    airline.State().SetFileOnReportView(true);
  }
  void TearDown() override {
    InstallWebHost(nullptr);
    AirlineFixture::TearDown();
  }

  AvailableFlight StoreFlight(const std::string& type, const std::string& flightId, int32_t status = 1) {
    AvailableFlight flight;
    flight.localId = NewGuidString();
    flight.type = type;
    flight.flightId = flightId;
    flight.departure = "KORD";
    flight.departureName = "Chicago O'Hare";
    flight.arrival = "KLAX";
    flight.arrivalName = "Los Angeles";
    flight.airlineIcao = "HAL";
    flight.flightNumber = "HV" + flightId;
    flight.airlineName = "A&B Air";
    flight.status = status;
    std::vector<AvailableFlight> flights;
    Database().ReadAvailableFlights(flights);
    flights.push_back(flight);
    Database().WriteAvailableFlights(flights, false);
    return flight;
  }

  void StoreLegs(const std::vector<FlightRecord>& legs) {
    for (const auto& leg : legs) ASSERT_TRUE(Database().WriteFlightReport(leg));
  }

  std::optional<AvailableFlight> Stored(const std::string& flightId) {
    std::vector<AvailableFlight> flights;
    Database().ReadAvailableFlights(flights);
    for (const auto& flight : flights)
      if (flight.flightId == flightId) return flight;
    return std::nullopt;
  }

  std::shared_ptr<BrowsingWebHost> webHost = std::make_shared<BrowsingWebHost>();
  test::ScopedFakeClock clock;
  WindowHandle owner = reinterpret_cast<WindowHandle>(0x51);
};

TEST_F(Filing, ThreeLegFlightFilesTheCombinedReportAndEveryPoint) {
  const AvailableFlight flight = StoreFlight("CHT", "7001");
  const std::vector<FlightRecord> legs = {Leg("7001", 5000, 60, -200, 130, 40), Leg("7001", 9000, 90, -300, 141, 0),
                                          Leg("7001", 20000, 45, -100, 120, 75)};
  StoreLegs(legs);
  SetVariable("flightPointUploadSize", "300");
  test::ScopedProgressLog progress;

  ASSERT_TRUE(FileFlightReport(owner, "7001")) << ::testing::PrintToString(boxes.Texts());
  EXPECT_TRUE(boxes.Shown().empty());

  const auto report = airline.State().ReportFor(flight.localId);
  ASSERT_TRUE(report);
  EXPECT_TRUE(report->filed);
  EXPECT_EQ(report->Field(ReportField::PilotNumber), kPilotNumber);
  EXPECT_EQ(report->Field(ReportField::FlightId), "7001");
  EXPECT_EQ(report->Field(ReportField::FlightMinutes), "195");
  EXPECT_EQ(report->Field(ReportField::FuelUsed), "19500");
  EXPECT_EQ(report->Field(ReportField::LandingRate), "-200");
  EXPECT_EQ(report->Field(ReportField::GroundMinutesLeft), "4");
  EXPECT_EQ(report->Field(ReportField::LastLatitude), "40.45");
  EXPECT_EQ(report->Field(ReportField::LastFeedTime), "20060");
  EXPECT_EQ(report->Field(ReportField::SavedTime), "0");

  std::vector<FlightPoint> expected;
  for (const auto& leg : legs)
    for (FlightPoint point : leg.points) {
      point.heading = 0;
      expected.push_back(point);
    }
  EXPECT_EQ(report->points, expected);
  // 40 points = 800 bytes in three chunks of 300, then 75 points = 1500 bytes in five.
  EXPECT_EQ(RequestsTo(Route::UploadPoints).size(), 8u);

  ASSERT_EQ(webHost->addresses.size(), 1u);
  EXPECT_TRUE(webHost->addresses[0].starts_with(airline.Host() + "/kx/pirep.php?data="));
  EXPECT_FALSE(webHost->ownerEnabledDuringPage);
  EXPECT_TRUE(webHost->enabled);
  EXPECT_EQ(webHost->pageOwner, owner);
  EXPECT_EQ(webHost->broughtToTop, 1);
  EXPECT_EQ(progress->stepSize, 33);
  EXPECT_EQ(progress->texts,
            (std::vector<std::string>{"Processing flight info.", "Uploading flight", "Uploading data points"}));
  EXPECT_EQ(progress->closed, 1);

  // Not a schedule flight: kept, marked removed and filed, its reports gone.
  const auto stored = Stored("7001");
  ASSERT_TRUE(stored);
  EXPECT_EQ(stored->status & (FlightStatus::StatusRemoved | FlightStatus::StatusFiled),
            FlightStatus::StatusRemoved | FlightStatus::StatusFiled);
  std::vector<FlightRecord> reports;
  Database().ReadFlightReports(reports, false);
  EXPECT_TRUE(reports.empty());
}

TEST_F(Filing, SingleLegGoesUpUnchangedInChainedChunks) {
  const AvailableFlight flight = StoreFlight("SCH", "88");
  FlightRecord leg = Leg("88", 5000, 61, -123.456789, 133, 3);
  leg.fuelUsed = -5;
  StoreLegs({leg});
  SetVariable("flightPointUploadSize", "40");

  ASSERT_TRUE(FileFlightReport(owner, "88"));
  const auto report = airline.State().ReportFor(flight.localId);
  ASSERT_TRUE(report);
  EXPECT_EQ(report->Field(ReportField::LandingRate), "-123.457");
  EXPECT_EQ(report->Field(ReportField::FuelUsed), "4294967291");
  EXPECT_EQ(report->Field(ReportField::SavedTime), "5120");
  EXPECT_EQ(report->points.size(), 3u);

  const auto chunks = RequestsTo(Route::UploadPoints);
  ASSERT_EQ(chunks.size(), 2u);
  EXPECT_EQ(chunks[0].values[1], "3");
  EXPECT_EQ(chunks[0].values[2], "7");
  EXPECT_EQ(chunks[0].values[3].size(), 80u);
  EXPECT_EQ(chunks[0].values[4], "0");
  EXPECT_EQ(chunks[1].values[1], "3");
  EXPECT_EQ(chunks[1].values[3].size(), 40u);
  EXPECT_EQ(chunks[1].values[4], report->reportKey + "-1");

  const auto uploads = RequestsTo(Route::UploadReport);
  ASSERT_EQ(uploads.size(), 1u);
  EXPECT_NE(uploads[0].target.find("%23A0x38B%20Air%23"), std::string::npos) << uploads[0].target;
  EXPECT_EQ(uploads[0].values[1], "");
  EXPECT_EQ(uploads[0].values[19], "");

  // A schedule flight is deleted once filed.
  EXPECT_FALSE(Stored("88"));
}

TEST_F(Filing, NoPointsUnlessPointUploadIsExactlyTrue) {
  StoreFlight("CHT", "90");
  StoreLegs({Leg("90", 100, 30, -50, 120, 5)});
  SetVariable("flightPointsEnabledTest", "true");
  ASSERT_TRUE(FileFlightReport(owner, "90"));
  EXPECT_TRUE(RequestsTo(Route::UploadPoints).empty());
  EXPECT_TRUE(RequestsTo(Route::GetReportKey).size() == 1u);
}

TEST_F(Filing, PilotNumberMustMatchTheOneOnRecord) {
  StoreFlight("CHT", "91");
  Database().WritePilotInfo({kUser, kPassword, "4321"});
  EXPECT_FALSE(FileFlightReport(owner, "91"));
  ASSERT_EQ(boxes.Shown().size(), 1u);
  EXPECT_TRUE(boxes.Shown()[0].text.starts_with("The saved Pilot Number does not match the one on record.\r\n"));
  EXPECT_EQ(boxes.Shown()[0].owner, owner);
  EXPECT_TRUE(RequestsTo(Route::CheckReportMissing).empty());
}

TEST_F(Filing, AlreadyFiledFlightIsOfferedForRemoval) {
  const AvailableFlight flight = StoreFlight("CHT", "92");
  StoreLegs({Leg("92", 100, 30, -50, 120, 0)});
  std::vector<std::string> values(airline::kReportValueCount);
  values[static_cast<size_t>(ReportField::PilotNumber)] = kPilotNumber;
  values[static_cast<size_t>(ReportField::LocalId)] = flight.localId;
  values[static_cast<size_t>(ReportField::FlightId)] = "92";
  airline.State().AddReport(values);
  airline.State().MarkFiled(flight.localId);

  boxes.Answer(MessageResult::No);
  EXPECT_TRUE(FileFlightReport(owner, "92"));
  EXPECT_EQ(Stored("92")->status, 1);

  boxes.Answer(MessageResult::Yes);
  EXPECT_TRUE(FileFlightReport(owner, "92"));
  ASSERT_EQ(boxes.Shown().size(), 2u);
  EXPECT_EQ(boxes.Shown()[1].text, "This flight has already been PIREP'ed.\r\nWould you like to remove the data for it?");
  EXPECT_EQ(boxes.Shown()[1].flags, MessageKind::YesNoInformation);
  EXPECT_EQ(Stored("92")->status, FlightStatus::StatusRemoved | FlightStatus::StatusFiled);
  EXPECT_TRUE(RequestsTo(Route::UploadReport).empty());
}

TEST_F(Filing, ReportOnTheServerButPirepOpenOnlyShowsThePage) {
  const AvailableFlight flight = StoreFlight("CHT", "93");
  std::vector<std::string> values(airline::kReportValueCount);
  values[static_cast<size_t>(ReportField::PilotNumber)] = kPilotNumber;
  values[static_cast<size_t>(ReportField::LocalId)] = flight.localId;
  airline.State().AddReport(values);

  EXPECT_TRUE(FileFlightReport(owner, "93"));
  EXPECT_TRUE(RequestsTo(Route::UploadReport).empty());
  EXPECT_EQ(webHost->addresses.size(), 1u);
  EXPECT_TRUE(airline.State().ReportFor(flight.localId)->filed);
}

struct FilingFailure {
  const char* name;
  Route route;
  Fault fault;
  const char* message;
  int64_t waitedMs;
  int32_t status = 1;  // the flight's status afterwards
};

void PrintTo(const FilingFailure& c, std::ostream* out) { *out << c.name; }


class FilingFailures : public Filing, public ::testing::WithParamInterface<FilingFailure> {};

TEST_P(FilingFailures, StopWithTheirMessage) {
  StoreFlight("CHT", "94");
  StoreLegs({Leg("94", 100, 30, -50, 120, 2)});
  airline.State().SetFileOnReportView(false);
  test::ScopedProgressLog progress;
  // Faults arm once the report is up, so the first "is it missing" question is answered.
  progress->onText = [&](const std::string& text) {
    if (text == "Uploading data points" && GetParam().route == Route::CheckReportMissing)
      airline.Faults().Set(Route::CheckReportMissing, GetParam().fault);
  };
  if (GetParam().route != Route::CheckReportMissing) airline.Faults().Set(GetParam().route, GetParam().fault);
  const uint64_t before = clock->MonotonicMs();
  EXPECT_FALSE(FileFlightReport(owner, "94"));
  EXPECT_EQ(boxes.Texts(), std::vector<std::string>{GetParam().message});
  EXPECT_EQ(clock->MonotonicMs() - before, static_cast<uint64_t>(GetParam().waitedMs));
  EXPECT_EQ(progress->closed, 1);
  EXPECT_EQ(Stored("94")->status, GetParam().status);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, FilingFailures,
    ::testing::Values(
        FilingFailure{"ReportRefused", Route::UploadReport, test::MakeFault(FaultKind::Error, "No such pilot."),
                      "No such pilot.", 0},
        FilingFailure{"ReportEmptyPage", Route::UploadReport, test::MakeFault(FaultKind::Empty),
                      "The server returned an empty page.", 0},
        FilingFailure{"ReportNeverArrives", Route::CheckReportMissing, test::MakeFault(FaultKind::Empty),
                      "The flight report never made it to the database.", 2500},
        FilingFailure{"PirepNeverConfirmed", Route::Unknown, test::MakeFault(FaultKind::None),
                      "There was an error with the pirep control.", 2500, FlightStatus::StatusRemoved | 1}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(Filing, UnreadableFlightOrReportsAreReported) {
  EXPECT_FALSE(FileFlightReport(owner, "404"));
  EXPECT_EQ(boxes.Texts(), std::vector<std::string>{"There was an error retrieving the flights list."});
  boxes.Clear();
  StoreFlight("CHT", "95");
  EXPECT_FALSE(FileFlightReport(owner, "95"));
  EXPECT_EQ(boxes.Texts(), std::vector<std::string>{"There was an error retrieving the flight reports."});
}

TEST(FilingParts, LegsCombineBySumAverageAndLatestStart) {
  std::vector<FlightRecord> legs = {Leg("1", 9000, 60, -200, 130, 3), Leg("1", 5000, 30, -300, 141, 0)};
  FlightRecord combined = CombineReports(legs);
  EXPECT_EQ(combined.flightId, "1");
  EXPECT_EQ(combined.startTime, 5000);
  EXPECT_EQ(combined.flightMinutes, 90);
  EXPECT_EQ(combined.fuelUsed, 9000);
  EXPECT_EQ(combined.landingRate, -250);
  EXPECT_EQ(combined.landingSpeed, 135);
  // The second leg started earlier: the position stays the first leg's.
  EXPECT_EQ(combined.lastFeedTime, 9060);
  EXPECT_TRUE(combined.points.empty());
  legs.push_back(Leg("1", 7000, 10, 0, 0, 0));
  EXPECT_EQ(CombineReports(legs).lastFeedTime, 7060);
}

TEST(FilingParts, PointsTravelAsTwentyLittleEndianBytes) {
  const std::string bytes = SerializeUploadPoints({{1.0, -2.5, -3, 270}});
  ASSERT_EQ(bytes.size(), 20u);
  EXPECT_EQ(HexEncode(bytes), "000000000000F03F00000000000004C0FDFFFFFF");
}

TEST(FilingParts, ReportPageCarriesTheScrambledLogIn) {
  const std::string address = ReportPageAddress("host:1", "/p.php", "jdoe", "pw", "K12");
  ASSERT_TRUE(address.starts_with("host:1/p.php?data="));
  const std::string hex = address.substr(std::string("host:1/p.php?data=").size());
  EXPECT_EQ(hex.find_first_not_of("0123456789abcdef"), std::string::npos);
  std::string bytes;
  for (size_t i = 0; i + 1 < hex.size(); i += 2) bytes += static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16));
  DecipherString(bytes);
  EXPECT_EQ(bytes, "jdoe#pw#K12$");
}

}  // namespace
}  // namespace kestrix
