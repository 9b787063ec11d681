#pragma once

#include <string>
#include <string_view>

#include "platform/message_box.h"
#include "platform/progress_dialog.h"

namespace kestrix {

// How long one request may wait: to connect, for its reply to start, and
// between two pieces of the reply.
struct HttpTimeouts {
  long connectMs = 20000;
  long sendMs = 20000;
  long receiveMs = 20000;
};

// The time-outs every new ServerLink starts with; tests shorten them.
HttpTimeouts DefaultHttpTimeouts();
void SetDefaultHttpTimeouts(HttpTimeouts timeouts);

// The context of one server operation. The progress dialog is not owned: the
// operation that opened it closes it and clears the pointer.
struct ServerLink {
  WindowHandle owner = nullptr;
  ProgressDialog* progress = nullptr;
  HttpTimeouts timeouts = DefaultHttpTimeouts();
};

inline constexpr const char* kUserAgent = "InetURL/1.0";

// One blocking GET of `object` on `host` (optionally "host:port", else port
// 80); the body is appended to `reply`. False only when the request could not
// be opened or sent; a failed read keeps what arrived and still returns true.
bool SendHttpRequest(ServerLink& link, std::string host, std::string object, std::string& reply, bool showErrors);

// Percent-encodes the bytes a request line cannot carry (space, control
// characters, bytes from 0x80); everything else, "#" included, stays.
std::string EncodeUnsafeBytes(std::string_view text);

// The object as it goes into the request line: its unsafe bytes encoded, and
// a leading "/" when the object has none.
std::string RequestTarget(std::string_view object);

// Downloads `url` ("http://host[:port]/path") into the file `path`; false
// (and no file written) when the transfer fails or the server answers with
// an HTTP error.
bool DownloadToFile(const std::string& url, const std::string& path, const HttpTimeouts& timeouts);

}  // namespace kestrix
