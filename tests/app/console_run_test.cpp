#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "airline/airline_server.h"
#include "app/child_process.h"
#include "console/console_web_host.h"
#include "support/temp_work_dir.h"

namespace kestrix::test {
namespace {

namespace fs = std::filesystem;

// Fast enough for the 20-minute default flight to take about 20 seconds.
constexpr const char* kSpeed = "60";

std::string ReadText(const fs::path& path) {
  std::ifstream in(path);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

bool AwaitFile(const fs::path& path) {
  for (int i = 0; i < 200 && !fs::exists(path); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(50));
  return fs::exists(path);
}

class ConsoleRun : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(airline.Start());
    fs::create_directories(simDir);
  }

  int RunConsole(const std::string& password) {
    Child console({KESTRIX_CONSOLE_PROGRAM, "--server-vars-host", airline.Host(), "--user", "demo", "--password",
                   password, "--speed", kSpeed, "--sim-dir", simDir.string(), "--workdir", consoleDir.string(),
                   "--max-minutes", "40"},
                  consoleLog);
    return console.Wait();
  }

  TempWorkDir workDir;
  fs::path simDir = workDir.Path() / "sim";
  fs::path consoleDir = workDir.Path() / "console";
  fs::path consoleLog = workDir.Path() / "console.log";
  airline::AirlineServer airline;
};

TEST_F(ConsoleRun, FliesTheDefaultFlightAndFilesIt) {
  Child sim({KESTRIX_SIM_PROGRAM, "--dir", simDir.string(), "--speed", kSpeed, "--report", "0"},
            workDir.Path() / "sim.log");
  ASSERT_TRUE(sim.Started());
  ASSERT_TRUE(AwaitFile(simDir / "UIPCMAIN")) << ReadText(workDir.Path() / "sim.log");

  ASSERT_EQ(RunConsole("demo"), 0) << ReadText(consoleLog);

  const auto reports = airline.State().Reports();
  ASSERT_EQ(reports.size(), 1u) << ReadText(consoleLog);
  const auto& report = reports.front();
  EXPECT_TRUE(report.filed);
  // Minutes count on the console's scaled clock: the default flight lasts about 20.
  const int minutes = std::stoi(report.Field(airline::ReportField::FlightMinutes));
  EXPECT_GE(minutes, 15);
  EXPECT_LE(minutes, 25);
  EXPECT_GE(report.points.size(), 4u);
  EXPECT_NE(ReadText(consoleDir / console::kReportPageFile).find("PIREP filed"), std::string::npos);
  EXPECT_TRUE(fs::exists(consoleDir / "Kestrix2.db"));
}

TEST_F(ConsoleRun, RefusedLogInEndsWithAFailureAndFilesNothing) {
  EXPECT_NE(RunConsole("wrong"), 0);
  EXPECT_TRUE(airline.State().Reports().empty());
  EXPECT_NE(ReadText(consoleLog).find("kestrix-console: start-up failed"), std::string::npos) << ReadText(consoleLog);
}

TEST(CompleteLinkTarget, ResolvesTheLinkAgainstThePageAddress) {
  const std::string page = "127.0.0.1:8080/kx/pirep.php?data=AB12";
  const struct {
    std::string html;
    std::string expected;
  } cases[] = {
      {"<p><a id=\"complete\" href=\"?data=AB12&amp;complete=1\">Complete PIREP</a></p>",
       "127.0.0.1:8080/kx/pirep.php?data=AB12&complete=1"},
      {"<a href=\"/kx/done.php?k=1\">Complete PIREP</a>", "127.0.0.1:8080/kx/done.php?k=1"},
      {"<a href=\"done.php\">Complete PIREP</a>", "127.0.0.1:8080/kx/done.php"},
      {"<a href=\"?x=1\">Other</a><p>Complete PIREP</p>", ""},
      {"<p id=\"status\">PIREP filed. You may close this window.</p>", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(console::CompleteLinkTarget(page, c.html), c.expected) << c.html;
}

}  // namespace
}  // namespace kestrix::test
