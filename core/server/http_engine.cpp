#include "server/http_engine.h"

#include <curl/curl.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <mutex>
#include <optional>
#include <utility>

namespace kestrix {
namespace {

constexpr const char* kOpenRequestFailed = "There was an error opening the internet request stream.";
constexpr const char* kSendTimedOut = "The connection to the server timed out.\nPlease retry.";
constexpr const char* kSendFailed = "There was an error sending the request to the server.\nPlease retry.";

// A reply past this size cannot be a page of the airline's; reading stops
// there as if the connection had dropped.
constexpr size_t kMaxReplyBytes = size_t{512} << 20;

std::mutex timeoutsMutex;
HttpTimeouts defaultTimeouts;

struct CurlEasyDeleter {
  void operator()(CURL* handle) const { curl_easy_cleanup(handle); }
};
struct CurlMultiDeleter {
  void operator()(CURLM* handle) const { curl_multi_cleanup(handle); }
};
using CurlEasy = std::unique_ptr<CURL, CurlEasyDeleter>;
using CurlMulti = std::unique_ptr<CURLM, CurlMultiDeleter>;

CurlEasy OpenSession() {
  static std::once_flag initialised;
  std::call_once(initialised, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
  return CurlEasy(curl_easy_init());
}

bool IsHostNameChar(unsigned char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' || c == '.' ||
         c == '_';
}

// "name" or "name:port" into a URL of the server's root; empty when the host
// cannot name a server (that also keeps a stored host from smuggling a path
// or credentials into the URL).
std::string ServerUrl(const std::string& host) {
  const auto colon = host.rfind(':');
  const std::string name = host.substr(0, colon);
  long port = 80;
  if (colon != std::string::npos) {
    const std::string digits = host.substr(colon + 1);
    if (digits.empty() || digits.size() > 5 || digits.find_first_not_of("0123456789") != std::string::npos)
      return "";
    port = std::stol(digits);
    if (port < 1 || port > 65535) return "";
  }
  if (name.empty()) return "";
  for (unsigned char c : name)
    if (!IsHostNameChar(c)) return "";
  return "http://" + name + ":" + std::to_string(port) + "/";
}

// Reply bytes and the times the transfer last made progress.
struct Transfer {
  CURL* curl = nullptr;
  std::string* reply = nullptr;
  bool replyStarted = false;
  bool bodyStarted = false;
  bool complete = false;
  std::chrono::steady_clock::time_point lastActivity = std::chrono::steady_clock::now();
};

size_t OnHeader(char*, size_t size, size_t count, void* context) {
  auto* transfer = static_cast<Transfer*>(context);
  transfer->replyStarted = true;
  transfer->lastActivity = std::chrono::steady_clock::now();
  return size * count;
}

// A reply that announces its length is received into one block of that size
// instead of doubling up to it: a schedule is megabytes.
void ReserveAnnouncedLength(const Transfer& transfer) {
  curl_off_t length = -1;
  if (curl_easy_getinfo(transfer.curl, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &length) != CURLE_OK || length <= 0) return;
  const size_t wanted = transfer.reply->size() + static_cast<size_t>(length);
  if (static_cast<uint64_t>(length) <= kMaxReplyBytes && wanted <= kMaxReplyBytes) transfer.reply->reserve(wanted);
}

size_t OnBody(char* data, size_t size, size_t count, void* context) {
  auto* transfer = static_cast<Transfer*>(context);
  const size_t bytes = size * count;
  transfer->replyStarted = true;
  transfer->lastActivity = std::chrono::steady_clock::now();
  if (transfer->reply->size() + bytes > kMaxReplyBytes) {
    return 0;
  }
  if (!std::exchange(transfer->bodyStarted, true)) ReserveAnnouncedLength(*transfer);
  transfer->reply->append(data, bytes);
  return bytes;
}

long long ElapsedMs(std::chrono::steady_clock::time_point from, std::chrono::steady_clock::time_point to) {
  return std::chrono::duration_cast<std::chrono::milliseconds>(to - from).count();
}

enum class Outcome { Done, TimedOut, SendFailed };

// The system's proxy settings apply, except that loopback is always reached directly.
std::string ProxyBypassList() {
  std::string list = "localhost,127.0.0.1,::1";
  for (const char* name : {"no_proxy", "NO_PROXY"}) {
    if (const char* configured = std::getenv(name); configured && *configured) {
      list = list + "," + configured;
      break;
    }
  }
  return list;
}

// `target`, when given, replaces the URL's path in the request line verbatim.
bool ConfigureRequest(CURL* curl, const std::string& url, const char* target, const HttpTimeouts& timeouts,
                      Transfer& transfer) {
  transfer.curl = curl;
  return curl_easy_setopt(curl, CURLOPT_URL, url.c_str()) == CURLE_OK &&
         curl_easy_setopt(curl, CURLOPT_REQUEST_TARGET, target) == CURLE_OK &&
         curl_easy_setopt(curl, CURLOPT_USERAGENT, kUserAgent) == CURLE_OK &&
         curl_easy_setopt(curl, CURLOPT_HTTPGET, 1L) == CURLE_OK &&
         curl_easy_setopt(curl, CURLOPT_HTTP09_ALLOWED, 1L) == CURLE_OK &&
         curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, "http") == CURLE_OK &&
         curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L) == CURLE_OK &&
         curl_easy_setopt(curl, CURLOPT_NOPROXY, ProxyBypassList().c_str()) == CURLE_OK &&
         curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT_MS, timeouts.connectMs) == CURLE_OK &&
         curl_easy_setopt(curl, CURLOPT_HEADERFUNCTION, OnHeader) == CURLE_OK &&
         curl_easy_setopt(curl, CURLOPT_HEADERDATA, &transfer) == CURLE_OK &&
         curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, OnBody) == CURLE_OK &&
         curl_easy_setopt(curl, CURLOPT_WRITEDATA, &transfer) == CURLE_OK;
}

// Runs the transfer, timing the wait for the reply once connected (the send
// time-out) and the pauses within the reply (the receive time-out) on the
// steady clock: these are real network waits, not program time.
Outcome Perform(CURL* curl, const HttpTimeouts& timeouts, Transfer& transfer) {
  CurlMulti multi(curl_multi_init());
  if (!multi || curl_multi_add_handle(multi.get(), curl) != CURLM_OK) return Outcome::SendFailed;
  std::optional<std::chrono::steady_clock::time_point> connectedAt;
  CURLcode result = CURLE_OK;
  bool finished = false;
  bool stalled = false;
  while (!finished) {
    int running = 0;
    if (curl_multi_perform(multi.get(), &running) != CURLM_OK) break;
    int queued = 0;
    while (CURLMsg* message = curl_multi_info_read(multi.get(), &queued)) {
      if (message->msg == CURLMSG_DONE) {
        result = message->data.result;
        finished = true;
      }
    }
    if (finished || running == 0) break;
    const auto now = std::chrono::steady_clock::now();
    curl_off_t connectTime = 0;
    if (!connectedAt && curl_easy_getinfo(curl, CURLINFO_CONNECT_TIME_T, &connectTime) == CURLE_OK && connectTime > 0)
      connectedAt = now;
    if (transfer.replyStarted ? ElapsedMs(transfer.lastActivity, now) >= timeouts.receiveMs
                              : connectedAt && ElapsedMs(*connectedAt, now) >= timeouts.sendMs) {
      stalled = true;
      break;
    }
    curl_multi_poll(multi.get(), nullptr, 0, 20, nullptr);
  }
  curl_multi_remove_handle(multi.get(), curl);
  transfer.complete = finished && result == CURLE_OK;
  if (transfer.replyStarted) return Outcome::Done;
  if (stalled || result == CURLE_OPERATION_TIMEDOUT) return Outcome::TimedOut;
  return transfer.complete ? Outcome::Done : Outcome::SendFailed;
}

void Fail(ServerLink& link, bool showErrors, const char* message) {
  if (link.progress) link.progress->Close();
  if (showErrors) ShowMessageBox(link.owner, message, kProgramCaption, MessageKind::Error);
}

}  // namespace

HttpTimeouts DefaultHttpTimeouts() {
  std::lock_guard lock(timeoutsMutex);
  return defaultTimeouts;
}

void SetDefaultHttpTimeouts(HttpTimeouts timeouts) {
  std::lock_guard lock(timeoutsMutex);
  defaultTimeouts = timeouts;
}

std::string EncodeUnsafeBytes(std::string_view text) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string target;
  target.reserve(text.size());
  for (unsigned char c : text) {
    if (c <= 0x20 || c >= 0x7F) {
      target += '%';
      target += kHex[c >> 4];
      target += kHex[c & 0x0F];
    } else {
      target += static_cast<char>(c);
    }
  }
  return target;
}

std::string RequestTarget(std::string_view object) {
  return (object.starts_with('/') ? "" : "/") + EncodeUnsafeBytes(object);
}

bool DownloadToFile(const std::string& url, const std::string& path, const HttpTimeouts& timeouts) {
  CurlEasy session = OpenSession();
  if (!session) return false;
  std::string body;
  Transfer transfer;
  transfer.reply = &body;
  CURL* curl = session.get();
  const std::string encoded = EncodeUnsafeBytes(url);
  const bool configured = ConfigureRequest(curl, encoded, nullptr, timeouts, transfer) &&
                          curl_easy_setopt(curl, CURLOPT_FAILONERROR, 1L) == CURLE_OK;
  if (!configured) return false;
  Perform(curl, timeouts, transfer);
  if (!transfer.complete) return false;
  std::ofstream file(path, std::ios::binary | std::ios::trunc);
  file.write(body.data(), static_cast<std::streamsize>(body.size()));
  return static_cast<bool>(file);
}

bool SendHttpRequest(ServerLink& link, std::string host, std::string object, std::string& reply, bool showErrors) {
  CurlEasy session = OpenSession();
  if (!session) return true;
  if (link.progress) link.progress->Step();
  const std::string url = ServerUrl(host);
  if (url.empty()) return true;
  if (link.progress) link.progress->Step();
  Transfer transfer;
  transfer.reply = &reply;
  const std::string target = RequestTarget(object);
  if (!ConfigureRequest(session.get(), url, target.c_str(), link.timeouts, transfer)) {
    Fail(link, showErrors, kOpenRequestFailed);
    return false;
  }
  if (link.progress) link.progress->Step();
  switch (Perform(session.get(), link.timeouts, transfer)) {
    case Outcome::Done:
      return true;
    case Outcome::TimedOut:
      Fail(link, showErrors, kSendTimedOut);
      return false;
    case Outcome::SendFailed:
      break;
  }
  Fail(link, showErrors, kSendFailed);
  return false;
}

}  // namespace kestrix
