#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <thread>

#include "sim/flightgear_transport.h"
#include "sim/sim_link.h"

namespace kestrix::test {
namespace {

TEST(FlightGearTransport, NothingOrSomethingElseOnThePortIsNoSimulator) {
  const int listener = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof address;
  ASSERT_EQ(bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
  ASSERT_EQ(listen(listener, 4), 0);
  getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length);
  const int port = ntohs(address.sin_port);
  std::thread foreign([listener] {
    const int fd = accept(listener, nullptr, nullptr);
    const char banner[] = "HTTP/1.1 400 Bad Request\r\n\r\n";
    (void)!write(fd, banner, sizeof banner - 1);
    char drain[256];
    (void)!read(fd, drain, sizeof drain);
    close(fd);
  });
  int result = -1;
  SimLink foreignLink(MakeFlightGearTransport("127.0.0.1", port));
  EXPECT_FALSE(foreignLink.Open(result));
  EXPECT_EQ(result, SimResult::NoWindow);
  foreign.join();
  close(listener);

  SimLink nothing(MakeFlightGearTransport("127.0.0.1", port));
  EXPECT_FALSE(nothing.Open(result));
  EXPECT_EQ(result, SimResult::NoWindow);
}

}  // namespace
}  // namespace kestrix::test
