#include "console/console_web_host.h"

#include <fstream>
#include <iostream>

#include "server/http_engine.h"

namespace kestrix::console {
namespace {

std::string UnescapeAmpersands(std::string text) {
  for (size_t at = text.find("&amp;"); at != std::string::npos; at = text.find("&amp;", at + 1)) {
    text.erase(at + 1, 4);
  }
  return text;
}

// The href of the <a> element whose text is `label`.
std::string LinkTo(const std::string& html, const std::string& label) {
  const size_t text = html.find(">" + label + "</a>");
  if (text == std::string::npos) return {};
  const size_t element = html.rfind("<a ", text);
  const size_t href = element == std::string::npos ? element : html.find("href=\"", element);
  if (href == std::string::npos || href > text) return {};
  const size_t begin = href + 6;
  const size_t end = html.find('"', begin);
  if (end == std::string::npos || end > text) return {};
  return UnescapeAmpersands(html.substr(begin, end - begin));
}

bool Fetch(const std::string& address, std::string& page) {
  const size_t slash = address.find('/');
  if (slash == std::string::npos) return false;
  ServerLink link;
  return SendHttpRequest(link, address.substr(0, slash), address.substr(slash), page, false);
}

}  // namespace

std::string CompleteLinkTarget(const std::string& pageAddress, const std::string& html) {
  const std::string href = LinkTo(html, "Complete PIREP");
  if (href.empty()) return {};
  const size_t slash = pageAddress.find('/');
  if (slash == std::string::npos) return {};
  const std::string host = pageAddress.substr(0, slash);
  if (href.front() == '/') return host + href;
  const std::string path = pageAddress.substr(0, pageAddress.find('?'));
  if (href.front() == '?') return path + href;
  return path.substr(0, path.rfind('/') + 1) + href;
}

int ConsoleWebHost::ShowPage(WindowHandle, const std::string& firstPart, const std::string& secondPart) {
  const std::string address = firstPart + secondPart;
  ++pagesShown;
  std::string page;
  if (!Fetch(address, page)) {
    std::cout << "web page could not be fetched: " << address << std::endl;
    return 0;
  }
  std::cout << "web page shown: " << address.substr(0, address.find('?')) << " (" << page.size() << " bytes)"
            << std::endl;
  const std::string complete = CompleteLinkTarget(address, page);
  if (!complete.empty()) {
    std::string answer;
    completedPirep = Fetch(complete, answer) && answer.find("PIREP filed") != std::string::npos;
    std::cout << "followed \"Complete PIREP\": " << (completedPirep ? "the airline filed it" : "no confirmation")
              << std::endl;
    if (!answer.empty()) page = std::move(answer);
  }
  std::ofstream(kReportPageFile, std::ios::binary) << page;
  return 0;
}

}  // namespace kestrix::console
