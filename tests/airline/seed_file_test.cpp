#include "airline/seed_file.h"

#include <gtest/gtest.h>

#include <fstream>

#include "support/temp_work_dir.h"

namespace kestrix::airline {
namespace {

TEST(SeedFile, LinesFillTheStateAndAWrongLineIsNamed) {
  kestrix::test::TempWorkDir dir;
  std::ofstream("stub.bin") << "updater bytes";
  std::ofstream("seed.txt") << "# pilots\n"
                               "pilot = anna hunter2 501 Anna  Berg\n"
                               "admin = chief boss 2 Chief Pilot\n"
                               "\n"
                               "flights = 3\n"
                               "variable = maxGroundTime=45\n"
                               "version = Version=2.0.4000\n"
                               "updater = stub.bin\n"
                               "file-on-view = true\n";
  AirlineState state;
  std::string error;
  ASSERT_TRUE(LoadSeedFile("seed.txt", state, error)) << error;
  EXPECT_EQ(state.FindPilot("501")->name, "Anna  Berg");
  EXPECT_TRUE(state.FindPilot("2")->admin);
  EXPECT_EQ(state.Schedule("anna").size(), 3u);
  EXPECT_EQ(state.Variables()["maxGroundTime"], "45");
  EXPECT_EQ(state.VersionInfo()["Version"], "2.0.4000");
  EXPECT_EQ(state.VersionInfo()["UpdaterHash"], "5f4844acfdd3fdd6a2f6de050a9aca0c");

  for (const char* bad : {"pilot = onlyname\n", "flights = many\n", "colour = blue\n", "updater = missing.bin\n"}) {
    std::ofstream("bad.txt") << "# fine\n" << bad;
    EXPECT_FALSE(LoadSeedFile("bad.txt", state, error)) << bad;
    EXPECT_NE(error.find("bad.txt:2:"), std::string::npos) << error;
  }
  EXPECT_FALSE(LoadSeedFile("absent.txt", state, error));
}

}  // namespace
}  // namespace kestrix::airline
