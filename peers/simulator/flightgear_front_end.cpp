#include "flightgear_front_end.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <sstream>
#include <vector>

#include "sim/flightgear_properties.h"

namespace kestrix {
namespace {

const FlightGearProperty* FindProperty(const std::string& path) {
  for (const FlightGearProperty& property : FlightGearProperties())
    if (property.path == path) return &property;
  return nullptr;
}

}  // namespace

struct FlightGearFrontEnd::Client {
  int fd = -1;
  std::string pending;
  bool dataMode = false;
};

bool FlightGearFrontEnd::Start(int wantedPort, std::string* error) {
  if (serving.Running()) return true;
  auto failed = [&](const char* what) {
    if (error) *error = std::string(what) + ": " + std::strerror(errno);
    return false;
  };
  const int listener = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (listener < 0) return failed("cannot make a socket");
  const int reuse = 1;
  setsockopt(listener, SOL_SOCKET, SO_REUSEADDR, &reuse, sizeof reuse);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = htons(static_cast<uint16_t>(wantedPort));
  socklen_t length = sizeof address;
  if (bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 || listen(listener, 16) != 0 ||
      getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
    close(listener);
    return failed("cannot listen");
  }
  port = ntohs(address.sin_port);
  if (!serving.Start([this, listener] { Serve(listener); })) {
    close(listener);
    return failed("cannot make a pipe");
  }
  return true;
}

void FlightGearFrontEnd::Serve(int listener) {
  std::vector<Client> clients;
  for (;;) {
    std::vector<pollfd> waiting{{listener, POLLIN, 0}};
    for (const Client& client : clients) waiting.push_back({client.fd, POLLIN, 0});
    if (!serving.Wait(waiting)) break;
    for (size_t index = clients.size(); index-- > 0;) {
      if (!waiting[index + 1].revents || Answer(clients[index])) continue;
      close(clients[index].fd);
      clients.erase(clients.begin() + static_cast<long>(index));
    }
    if (waiting[0].revents & POLLIN) {
      const int fd = accept4(listener, nullptr, nullptr, SOCK_CLOEXEC);
      if (fd >= 0) clients.push_back({fd, {}, false});
    }
  }
  for (Client& client : clients) close(client.fd);
  close(listener);
}

// Handles what the client sent; false when it is gone or is to be dropped.
bool FlightGearFrontEnd::Answer(Client& client) {
  char chunk[8192];
  const ssize_t got = recv(client.fd, chunk, sizeof chunk, 0);
  if (got <= 0) return false;
  client.pending.append(chunk, static_cast<size_t>(got));
  const SimulatorFault fault = peer.Fault();
  std::string out;
  for (size_t end; (end = client.pending.find('\n')) != std::string::npos; client.pending.erase(0, end + 1)) {
    std::string line = client.pending.substr(0, end);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line == "quit") return false;
    if (line == "data") {
      client.dataMode = true;
      continue;
    }
    if (fault == SimulatorFault::NotAnswering) continue;
    std::string reply = Reply(line, client.dataMode);
    if (fault == SimulatorFault::GarbageAnswers && !reply.empty()) reply = "#" + reply;
    out += reply;
  }
  if (fault == SimulatorFault::BrokenRecords) out.resize(out.size() / 2);
  const bool sent = send(client.fd, out.data(), out.size(), MSG_NOSIGNAL) == static_cast<ssize_t>(out.size());
  return sent && fault != SimulatorFault::BrokenRecords;
}

// The answer to one command line, line ending included; empty for none.
std::string FlightGearFrontEnd::Reply(const std::string& line, bool dataMode) {
  std::istringstream words(line);
  std::string verb, path, value;
  words >> verb >> path >> value;
  const FlightGearProperty* property = FindProperty(path);
  if (verb == "set" && property) {
    double number = 0;
    if (ParseFlightGearValue(value, number))
      peer.Change([&](SimVariables& variables) { property->set(variables, number); }, property->writtenOn);
    return dataMode ? "" : path + " = '" + value + "'\r\n/> ";
  }
  if (verb != "get") return dataMode ? "" : "-ERR unknown command\r\n/> ";
  const SimVariables shown = peer.View(path == "/gear/gear/wow");
  std::string text;
  if (property)
    text = FormatFlightGearValue(*property, shown);
  else if (path == kFlightGearTitle)
    text = shown.title;
  else if (path == kFlightGearVersion)
    text = "2020.3.19";
  return dataMode ? text + "\r\n" : path + " = '" + text + "'\r\n/> ";
}

}  // namespace kestrix
