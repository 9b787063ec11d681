#include "raw_http_server.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>

namespace kestrix::test {

RawHttpServer::RawHttpServer(Script script) : script(std::move(script)) {
  listener = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address);
  listen(listener, 8);
  socklen_t length = sizeof address;
  getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length);
  port = ntohs(address.sin_port);
  thread = std::thread([this] { Serve(); });
}

RawHttpServer::~RawHttpServer() {
  stopping = true;
  thread.join();
  close(listener);
}

std::string RawHttpServer::Host() const { return "127.0.0.1:" + std::to_string(port); }

void RawHttpServer::Serve() {
  while (!stopping) {
    pollfd ready{listener, POLLIN, 0};
    if (poll(&ready, 1, 20) <= 0) continue;
    const int connection = accept(listener, nullptr, nullptr);
    if (connection < 0) continue;
    script(connection, *this);
    close(connection);
  }
}

std::string RawHttpServer::ReadRequest(int socket) {
  std::string request;
  char buffer[4096];
  while (request.find("\r\n\r\n") == std::string::npos) {
    pollfd ready{socket, POLLIN, 0};
    if (stopping || poll(&ready, 1, 20) < 0) break;
    if (!(ready.revents & POLLIN)) continue;
    const ssize_t got = recv(socket, buffer, sizeof buffer, 0);
    if (got <= 0) break;
    request.append(buffer, static_cast<size_t>(got));
  }
  std::lock_guard lock(mutex);
  lastRequest = request;
  return request;
}

std::string RawHttpServer::LastRequest() const {
  std::lock_guard lock(mutex);
  return lastRequest;
}

void RawHttpServer::SendAll(int socket, const std::string& bytes) {
  size_t sent = 0;
  while (sent < bytes.size()) {
    const ssize_t put = send(socket, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
    if (put <= 0) return;
    sent += static_cast<size_t>(put);
  }
}

bool RawHttpServer::Wait(int milliseconds) const {
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
  while (std::chrono::steady_clock::now() < end) {
    if (stopping) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return !stopping;
}

std::string HttpReply(const std::string& body) {
  return "HTTP/1.1 200 OK\r\nContent-Length: " + std::to_string(body.size()) + "\r\nConnection: close\r\n\r\n" + body;
}

}  // namespace kestrix::test
