#include "airline/airline_server.h"

#include <arpa/inet.h>
#include <httplib.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <thread>

namespace kestrix::airline {
namespace {

constexpr int kReadTimeoutMs = 5000;
constexpr int kWriteTimeoutMs = 5000;
constexpr int64_t kSilentDefaultMs = 30000;
// Longest request line taken; a flight point chunk travels as hexadecimal text in it.
constexpr size_t kMaxRequestLine = 1 << 20;

bool Poll(int sock, short events, int timeoutMs) {
  pollfd fd{sock, events, 0};
  return ::poll(&fd, 1, timeoutMs) > 0;
}

// The socket as httplib reads it. The program sends its request target as it
// composed it: spaces, "#" and 8-bit bytes included, and long. httplib would
// refuse such a request line, so each one is read here, its target kept, and
// httplib is handed "METHOD / VERSION" instead.
class RawStream : public httplib::Stream {
 public:
  explicit RawStream(int sock) : sock(sock) {}

  bool is_readable() const override { return offset < buffer.size() || Poll(sock, POLLIN, kReadTimeoutMs); }
  bool is_writable() const override { return !dropped && Poll(sock, POLLOUT, kWriteTimeoutMs); }

  ssize_t read(char* ptr, size_t size) override {
    if (offset == buffer.size() && !Fill()) return received;
    const size_t n = std::min(size, buffer.size() - offset);
    std::copy_n(buffer.data() + offset, n, ptr);
    offset += n;
    return static_cast<ssize_t>(n);
  }

  ssize_t write(const char* ptr, size_t size) override {
    if (dropped || !Poll(sock, POLLOUT, kWriteTimeoutMs)) return -1;
    return ::send(sock, ptr, size, MSG_NOSIGNAL);
  }

  void get_remote_ip_and_port(std::string& ip, int& port) const override { Address(::getpeername, ip, port); }
  void get_local_ip_and_port(std::string& ip, int& port) const override { Address(::getsockname, ip, port); }
  socket_t socket() const override { return sock; }

  // Waits for the next request, then swaps its request line; false when the
  // connection has ended, stayed idle for `idleMs`, or `stopping` was set.
  bool BeginRequest(const std::atomic<bool>& stopping, int64_t idleMs) {
    target.clear();
    dropped = false;
    buffer.erase(0, offset);
    offset = 0;
    const auto idleUntil = std::chrono::steady_clock::now() + std::chrono::milliseconds(idleMs);
    size_t end;
    while ((end = buffer.find('\n')) == std::string::npos) {
      if (stopping || buffer.size() > kMaxRequestLine) return false;
      if (!Poll(sock, POLLIN, 100)) {
        if (buffer.empty() && std::chrono::steady_clock::now() >= idleUntil) return false;
        continue;
      }
      if (!Fill()) return false;
    }
    const std::string line = buffer.substr(0, end > 0 && buffer[end - 1] == '\r' ? end - 1 : end);
    const auto first = line.find(' ');
    const auto last = line.rfind(' ');
    if (first == std::string::npos || first == last) return true;  // httplib answers it with 400
    target = line.substr(first + 1, last - first - 1);
    buffer.replace(0, end + 1, line.substr(0, first) + " /" + line.substr(last) + "\r\n");
    return true;
  }

  const std::string& Target() const { return target; }
  // Ends the connection without another byte.
  void Drop() { dropped = true; }
  bool Dropped() const { return dropped; }

 private:
  // Appends what the socket has; false at its end, on error or time-out.
  bool Fill() {
    char chunk[16384];
    if (!Poll(sock, POLLIN, kReadTimeoutMs)) {
      received = -1;
      return false;
    }
    received = ::recv(sock, chunk, sizeof chunk, 0);
    if (received <= 0) return false;
    buffer.append(chunk, static_cast<size_t>(received));
    return true;
  }

  template <typename Query>
  void Address(Query query, std::string& ip, int& port) const {
    sockaddr_in address{};
    socklen_t size = sizeof address;
    char text[INET_ADDRSTRLEN] = "";
    if (query(sock, reinterpret_cast<sockaddr*>(&address), &size) == 0)
      inet_ntop(AF_INET, &address.sin_addr, text, sizeof text);
    ip = text;
    port = ntohs(address.sin_port);
  }

  int sock;
  std::string buffer;
  size_t offset = 0;
  ssize_t received = 0;
  std::string target;
  bool dropped = false;
};

// The connection the current worker thread is serving.
thread_local RawStream* currentStream = nullptr;

}  // namespace

class AirlineServer::Http : public httplib::Server {
 public:
  Http(AirlineState& state, FaultSwitch& faults) : state(state), faults(faults) {
    Get(".*", [this](const httplib::Request&, httplib::Response& response) { Serve(response); });
  }

  void Release() {
    {
      std::lock_guard lock(waitMutex);
      stopping = true;
    }
    wake.notify_all();
  }

 private:
  bool process_and_close_socket(socket_t sock) override {
    RawStream stream(sock);
    bool ok = false;
    for (size_t count = 0; count < keep_alive_max_count_ && svr_sock_ != INVALID_SOCKET; ++count) {
      if (!stream.BeginRequest(stopping, keep_alive_timeout_sec_ * 1000)) break;
      bool closed = false;
      currentStream = &stream;
      ok = process_request(stream, count + 1 == keep_alive_max_count_, closed, nullptr);
      currentStream = nullptr;
      if (!ok || closed || stream.Dropped()) break;
    }
    ::shutdown(sock, SHUT_RDWR);
    ::close(sock);
    return ok;
  }

  void Serve(httplib::Response& response) {
    const std::string& target = currentStream->Target();
    const auto fault = faults.Take(state.Classify(target));
    const FaultKind kind = fault ? fault->kind : FaultKind::None;
    if (kind == FaultKind::Slow) Wait(fault->delayMs);
    if (kind == FaultKind::Error || kind == FaultKind::Empty || kind == FaultKind::NotFound ||
        kind == FaultKind::Silent) {
      state.Note(target);
    }
    switch (kind) {
      case FaultKind::Error:
        response.set_content("ERROR:" + (fault->text.empty() ? "Injected failure." : fault->text), "text/html");
        return;
      case FaultKind::Empty:
        response.set_content("", "text/html");
        return;
      case FaultKind::NotFound:
        response.status = 404;
        response.set_content(kNotFoundPage, "text/html");
        return;
      case FaultKind::Silent:
        Wait(fault->delayMs > 0 ? fault->delayMs : kSilentDefaultMs);
        currentStream->Drop();
        return;
      default:
        break;
    }
    Reply reply = state.Handle(target);
    response.status = reply.status;
    // Served from the reply itself, without a copy: a schedule can be megabytes.
    // A cut body announces the whole length, sends half and closes the connection.
    if (reply.body.empty()) {
      response.set_content("", reply.contentType);
      return;
    }
    const bool cut = kind == FaultKind::CutBody;
    auto body = std::make_shared<std::string>(std::move(reply.body));
    response.set_content_provider(body->size(), reply.contentType,
                                  [body, cut](size_t, size_t, httplib::DataSink& sink) {
                                    sink.write(body->data(), cut ? body->size() / 2 : body->size());
                                    return !cut;
                                  });
  }

  void Wait(int64_t milliseconds) {
    std::unique_lock lock(waitMutex);
    wake.wait_for(lock, std::chrono::milliseconds(milliseconds), [this] { return stopping.load(); });
  }

  AirlineState& state;
  FaultSwitch& faults;
  std::mutex waitMutex;
  std::condition_variable wake;
  std::atomic<bool> stopping{false};
  std::thread listener;

  friend class AirlineServer;
};

AirlineServer::AirlineServer() = default;

AirlineServer::~AirlineServer() { Stop(); }

bool AirlineServer::Start(int port) {
  Stop();
  http = std::make_unique<Http>(state, faults);
  const bool bound = port == 0 ? (port = http->bind_to_any_port("127.0.0.1")) > 0
                               : http->bind_to_port("127.0.0.1", port);
  if (!bound) {
    http.reset();
    return false;
  }
  boundPort = port;
  state.SetServerVariable("server", Host());
  http->listener = std::thread([server = http.get()] { server->listen_after_bind(); });
  // Stopping works only once the accept loop runs.
  while (!http->is_running()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  return true;
}

void AirlineServer::Stop() {
  if (!http) return;
  http->Release();
  http->stop();
  if (http->listener.joinable()) http->listener.join();
  http.reset();
  boundPort = 0;
}

int AirlineServer::Port() const { return boundPort; }

std::string AirlineServer::Host() const { return "127.0.0.1:" + std::to_string(boundPort); }

AirlineState& AirlineServer::State() { return state; }

FaultSwitch& AirlineServer::Faults() { return faults; }

}  // namespace kestrix::airline
