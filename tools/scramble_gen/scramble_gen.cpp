// Build-time generator: reads lines "Name = text" and writes a header with one
// zero-terminated scrambled byte array per constant. Blank lines and lines
// starting with '#' are skipped; "\n", "\t" and "\\" in the text are escapes.
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iostream>
#include <iterator>
#include <sstream>
#include <string>

#include "protocol/scramble.h"

namespace {

std::string Trim(const std::string& s) {
  const auto first = s.find_first_not_of(" \t\r");
  if (first == std::string::npos) return "";
  return s.substr(first, s.find_last_not_of(" \t\r") - first + 1);
}

std::string Unescape(const std::string& s) {
  std::string out;
  for (size_t i = 0; i < s.size(); ++i) {
    if (s[i] != '\\' || i + 1 == s.size()) {
      out += s[i];
      continue;
    }
    const char next = s[++i];
    out += next == 'n' ? '\n' : next == 't' ? '\t' : next;
  }
  return out;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::cerr << "usage: scramble_gen LIST HEADER\n";
    return 2;
  }
  std::ifstream in(argv[1]);
  if (!in) {
    std::cerr << "scramble_gen: cannot read " << argv[1] << "\n";
    return 1;
  }
  const std::string list{std::istreambuf_iterator<char>(in), {}};
  kestrix::SeedScrambling(static_cast<uint32_t>(std::hash<std::string>{}(list)));
  std::istringstream lines(list);
  std::string body;
  std::string line;
  int lineNumber = 0;
  while (std::getline(lines, line)) {
    ++lineNumber;
    const std::string trimmed = Trim(line);
    if (trimmed.empty() || trimmed[0] == '#') continue;
    const auto equals = line.find(" = ");
    if (equals == std::string::npos) {
      std::cerr << argv[1] << ":" << lineNumber << ": expected \"Name = text\"\n";
      return 1;
    }
    std::string text = Unescape(line.substr(equals + 3));
    kestrix::ScrambleValue(text);
    body += "inline constexpr unsigned char " + Trim(line.substr(0, equals)) + "[] = {";
    for (unsigned char c : text) body += std::to_string(c) + ",";
    body += "0};\n";
  }
  std::ofstream out(argv[2]);
  out << "// Generated from " << std::filesystem::path(argv[1]).filename().string() << "; do not edit.\n#pragma once\n\nnamespace kestrix::scrambled {\n"
      << body << "}  // namespace kestrix::scrambled\n";
  return out ? 0 : 1;
}
