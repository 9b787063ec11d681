// Every server operation's handling of what comes back, through the real
// HTTP engine: a loopback server answers each request with the input's bytes
// after the first, which picks the operation.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <mutex>
#include <string>
#include <vector>

#include "fuzz_clock.h"
#include "platform/internet_state.h"
#include "raw_http_server.h"
#include "server/account.h"
#include "server/chat_requests.h"
#include "server/http_engine.h"
#include "server/schedule.h"
#include "server/ticket.h"
#include "store/database.h"

using namespace kestrix;

namespace {

class LoopbackAirline {
 public:
  LoopbackAirline() {
    // The store lives in a folder of its own, in memory where there is one.
    const std::filesystem::path base = std::filesystem::exists("/dev/shm") ? "/dev/shm" : "/tmp";
    std::string folder = (base / "kestrix-fuzz-XXXXXX").string();
    if (!mkdtemp(folder.data()) || chdir(folder.c_str()) != 0) std::abort();
    InstallFuzzClock();
    InstallInternetStateProbe([] { return true; });
    SetDefaultHttpTimeouts({1000, 1000, 1000});
    SetServerVariablesHost(server.Host());
    FreshStore();
  }

  void Answer(std::string reply) {
    std::lock_guard lock(mutex);
    body = std::move(reply);
  }

  // The server variables the input just stored could point anywhere: every
  // operation starts from a store that names only this server.
  void FreshStore() {
    std::filesystem::remove(kDatabaseFile);
    Database().CreateSchema();
    Database().WriteServerVariables({{"server", server.Host()}, {"imagePage", "/image.php"}});
  }

 private:
  std::string Body() {
    std::lock_guard lock(mutex);
    return body;
  }

  std::mutex mutex;
  std::string body;
  test::RawHttpServer server{[this](int socket, test::RawHttpServer& self) {
    self.ReadRequest(socket);
    test::RawHttpServer::SendAll(socket, test::HttpReply(Body()));
  }};
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static LoopbackAirline airline;
  if (size == 0) return 0;
  airline.Answer(std::string(reinterpret_cast<const char*>(data) + 1, size - 1));
  ServerLink link;
  switch (data[0] % 7) {
    case 0: {
      DownloadServerVariables(link);
      airline.FreshStore();
      break;
    }
    case 1: {
      ReplyMap versionInfo;
      GetServerVersionInfo(link, versionInfo);
      break;
    }
    case 2: {
      std::string result;
      VerifyPilot(link, "pilot", "secret", result);
      break;
    }
    case 3: {
      std::vector<ChatUser> users{{7, "Seven", "Seven", true}};
      FetchChatUsers(link, users);
      break;
    }
    case 4: {
      std::string reply;
      ChatExchange(link, "0", "", reply);
      break;
    }
    case 5: {
      std::string front, back;
      FetchTicketImages(link, "1234", "SCH", front, back);
      break;
    }
    default: {
      std::vector<AvailableFlight> flights;
      DownloadSchedule(link, "pilot", "secret", flights);
      break;
    }
  }
  return 0;
}
