#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "app/data_folder.h"
#include "platform/internet_state.h"
#include "server/account.h"
#include "support/temp_work_dir.h"

namespace kestrix::test {
namespace {

namespace fs = std::filesystem;

// Sets environment variables for one test and puts the old values back.
class ScopedEnvironment {
 public:
  void Set(const char* name, const char* value) {
    const char* old = std::getenv(name);
    saved.emplace_back(name, old ? std::optional<std::string>(old) : std::nullopt);
    value ? setenv(name, value, 1) : unsetenv(name);
  }
  ~ScopedEnvironment() {
    for (auto it = saved.rbegin(); it != saved.rend(); ++it) {
      it->second ? setenv(it->first.c_str(), it->second->c_str(), 1) : unsetenv(it->first.c_str());
    }
  }

 private:
  std::vector<std::pair<std::string, std::optional<std::string>>> saved;
};

TEST(DataFolder, ChosenFromTheEnvironmentInOrder) {
  ScopedEnvironment environment;
  environment.Set("HOME", "/home/pilot");
  environment.Set("XDG_DATA_HOME", nullptr);
  environment.Set("KESTRIX_DATA_DIR", nullptr);
  EXPECT_EQ(DataFolder(), fs::path("/home/pilot/.local/share/Kestrix"));
  environment.Set("XDG_DATA_HOME", "/data");
  EXPECT_EQ(DataFolder(), fs::path("/data/Kestrix"));
  environment.Set("KESTRIX_DATA_DIR", "/demo/work");
  EXPECT_EQ(DataFolder(), fs::path("/demo/work"));
}

TEST(DataFolder, EnteringMakesTheFolderTheWorkingDirectoryOrSaysWhyNot) {
  TempWorkDir work;
  ScopedEnvironment environment;
  environment.Set("KESTRIX_DATA_DIR", (work.Path() / "new/Kestrix").c_str());
  std::string error;
  ASSERT_TRUE(EnterDataFolder(error)) << error;
  EXPECT_EQ(fs::current_path(), work.Path() / "new/Kestrix");

  std::ofstream(work.Path() / "occupied") << "a file where the folder should be";
  environment.Set("KESTRIX_DATA_DIR", (work.Path() / "occupied").c_str());
  EXPECT_FALSE(EnterDataFolder(error));
  EXPECT_NE(error.find("occupied"), std::string::npos) << error;
}

TEST(DataFolder, EnvironmentPointsTheProgramAtAServerAndItsConnectedState) {
  ScopedEnvironment environment;
  environment.Set("KESTRIX_SERVER_VARS_HOST", "127.0.0.1:8080");
  environment.Set("KESTRIX_ONLINE", "0");
  ApplyEnvironmentOverrides();
  EXPECT_EQ(ServerVariablesHost(), "127.0.0.1:8080");
  EXPECT_FALSE(IsInternetConnected());
  environment.Set("KESTRIX_ONLINE", "1");
  ApplyEnvironmentOverrides();
  EXPECT_TRUE(IsInternetConnected());
  SetServerVariablesHost("");
  InstallInternetStateProbe(nullptr);
}

}  // namespace
}  // namespace kestrix::test
