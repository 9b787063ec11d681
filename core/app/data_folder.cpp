#include "app/data_folder.h"

#include <cstdlib>
#include <string_view>
#include <system_error>

#include "platform/internet_state.h"
#include "server/account.h"

namespace kestrix {
namespace {

std::string_view Environment(const char* name) {
  const char* value = std::getenv(name);
  return value ? value : "";
}

}  // namespace

std::filesystem::path DataFolder() {
  if (auto dir = Environment("KESTRIX_DATA_DIR"); !dir.empty()) return dir;
  if (auto dir = Environment("XDG_DATA_HOME"); !dir.empty()) return std::filesystem::path(dir) / "Kestrix";
  return std::filesystem::path(Environment("HOME")) / ".local/share/Kestrix";
}

bool EnterDataFolder(std::string& error) {
  const std::filesystem::path folder = DataFolder();
  std::error_code failed;
  std::filesystem::create_directories(folder, failed);
  if (!failed) std::filesystem::current_path(folder, failed);
  if (failed) error = "Cannot use the data folder " + folder.string() + ": " + failed.message();
  return !failed;
}

void ApplyEnvironmentOverrides() {
  if (auto host = Environment("KESTRIX_SERVER_VARS_HOST"); !host.empty()) SetServerVariablesHost(std::string(host));
  const std::string_view online = Environment("KESTRIX_ONLINE");
  if (online == "1" || online == "0") {
    const bool connected = online == "1";
    InstallInternetStateProbe([connected] { return connected; });
  }
}

}  // namespace kestrix
