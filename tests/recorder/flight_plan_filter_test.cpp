#include "recorder/flight_plan_filter.h"

#include <gtest/gtest.h>

#include "store/database.h"
#include "support/scripted_file_chooser.h"
#include "support/temp_work_dir.h"

namespace kestrix::test {
namespace {

TEST(FlightPlanFilters, ReadTheServersMask) {
  struct Case {
    const char* mask;
    std::vector<FileFilter> expected;
  };
  const Case cases[] = {
      {"Flight_plans@*.pln@", {{"Flight plans", "*.pln"}}},
      {"Flight_plans@*.pln", {{"Flight plans", "*.pln"}}},
      {"FS_plans@*.pln@Route_files@*.rte;*.fms@",
       {{"FS plans", "*.pln"}, {"Route files", "*.rte;*.fms"}}},
      {"", {}},
      {"Flight_plans", {}},
      {"Flight_plans@*.pln@Loose_end@", {{"Flight plans", "*.pln"}}},
      // An empty part ends the list, as a double terminator does.
      {"Flight_plans@*.pln@@Other@*.txt@", {{"Flight plans", "*.pln"}}},
      {"@*.pln@", {}},
      {"Plans@@", {}},
  };
  for (const Case& c : cases) EXPECT_EQ(FlightPlanFilters(c.mask), c.expected) << '"' << c.mask << '"';
}

TEST(ChooseFlightPlanFile, AsksForAnExistingFileOfTheAirlinesTypes) {
  TempWorkDir workDir;
  Database().CreateSchema();
  Database().WriteServerVariables({{"flightPlanFileMask", "Flight_plans@*.pln@"}});
  auto chooser = std::make_shared<ScriptedFileChooser>();
  InstallFileChooser(chooser);
  int window = 0;

  chooser->answer = "/plans/KSEA-KPDX.pln";
  EXPECT_EQ(ChooseFlightPlanFile(&window, false), "/plans/KSEA-KPDX.pln");
  chooser->answer.clear();
  EXPECT_EQ(ChooseFlightPlanFile(&window, true), "");
  InstallFileChooser(nullptr);
  EXPECT_EQ(ChooseFlightPlanFile(&window, true), "") << "without a chooser nothing is chosen";

  ASSERT_EQ(chooser->requests.size(), 2u);
  for (const FileChooserRequest& request : chooser->requests) {
    EXPECT_EQ(request.owner, &window);
    EXPECT_EQ(request.filters, (std::vector<FileFilter>{{"Flight plans", "*.pln"}}));
    EXPECT_TRUE(request.mustExist);
  }
  EXPECT_EQ(chooser->requests[0].title, "Add Flightplan");
  EXPECT_EQ(chooser->requests[1].title, "Update Flightplan");
}

}  // namespace
}  // namespace kestrix::test
