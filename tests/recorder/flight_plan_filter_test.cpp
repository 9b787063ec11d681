#include "recorder/flight_plan_filter.h"

#include <gtest/gtest.h>

#include <fstream>

#include "store/database.h"
#include "support/scripted_file_chooser.h"
#include "support/scripted_message_box.h"
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

  const std::string plan = (workDir.Path() / "KSEA-KPDX.pln").string();
  std::ofstream(plan) << "KSEA DCT KPDX\n";
  chooser->answer = plan;
  EXPECT_EQ(ChooseFlightPlanFile(&window, false), plan);
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

TEST(ChooseFlightPlanFile, RefusesAFileThatCannotBeAFlightPlan) {
  TempWorkDir workDir;
  Database().CreateSchema();
  auto chooser = std::make_shared<ScriptedFileChooser>();
  InstallFileChooser(chooser);
  ScriptedMessageBox boxes;
  const auto write = [&](const char* name, const std::string& bytes) {
    const std::string path = (workDir.Path() / name).string();
    std::ofstream(path, std::ios::binary) << bytes;
    return path;
  };
  const struct {
    std::string path;
    const char* problem;
  } cases[] = {
      {write("largest.pln", std::string(kMaxFlightPlanBytes, 'A')), ""},
      {write("huge.pln", std::string(kMaxFlightPlanBytes + 1, 'A')), "The flight plan file is too large to be a flight plan."},
      {write("binary.pln", std::string("PLN\0\x01\x02", 6)), "The flight plan file is not a text file."},
      {workDir.Path().string(), "The flight plan file could not be read."},
      {(workDir.Path() / "gone.pln").string(), "The flight plan file could not be read."},
  };
  int window = 0;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.path);
    boxes.Clear();
    chooser->answer = c.path;
    const bool usable = *c.problem == '\0';
    EXPECT_EQ(ChooseFlightPlanFile(&window, false), usable ? c.path : "");
    if (usable) {
      EXPECT_TRUE(boxes.Shown().empty());
      continue;
    }
    ASSERT_EQ(boxes.Shown().size(), 1u);
    EXPECT_EQ(boxes.Shown()[0].text, c.problem);
    EXPECT_EQ(boxes.Shown()[0].caption, "Upload Flight Plan");
    EXPECT_EQ(boxes.Shown()[0].owner, &window);
  }
  InstallFileChooser(nullptr);
}

}  // namespace
}  // namespace kestrix::test
