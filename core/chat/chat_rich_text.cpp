#include "chat/chat_rich_text.h"

#include <algorithm>
#include <cstdint>

namespace kestrix {
namespace {

constexpr char kHexDigits[] = "0123456789abcdef";

// The colour-table entry of each line kind; every other kind is grey.
std::string_view ColourEntry(std::string_view kind) {
  if (kind == "admin") return "\\red176\\green84\\blue0;";
  if (kind == "user") return "\\red4\\green38\\blue176;";
  if (kind == "received") return "\\red58\\green90\\blue94;";
  if (kind == "private") return "\\red97\\green95\\blue3;";
  return "\\red140\\green140\\blue140;";
}

bool IsLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

int HexValue(char c) {
  if (IsDigit(c)) return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Limits that keep hostile input from costing memory or overflowing numbers.
constexpr size_t kMaxDepth = 64;
constexpr size_t kMaxColours = 256;
constexpr size_t kMaxWordLength = 32;
constexpr int64_t kMaxParameter = 1'000'000;

enum class Destination { Text, ColourTable, Skipped };

struct Group {
  Destination destination = Destination::Text;
  int colour = 0;  // index into the colour table; 0 is the default colour
};

class RichTextReader {
 public:
  explicit RichTextReader(std::string_view rich) : input(rich) {}

  std::vector<RichTextRun> Read() {
    while (position < input.size()) {
      const char c = input[position++];
      if (c == '{') {
        OpenGroup();
      } else if (c == '}') {
        CloseGroup();
      } else if (c == '\\') {
        ReadControl();
      } else if (c != '\r' && c != '\n') {
        AddCharacter(static_cast<unsigned char>(c));
      }
    }
    FlushRun(false);
    return std::move(runs);
  }

 private:
  Group& Current() { return groups.back(); }

  // Groups deeper than the limit are counted, not kept: their closing braces
  // must not close the groups that are kept.
  void OpenGroup() {
    if (groups.size() >= kMaxDepth) {
      ++overflow;
      return;
    }
    groups.push_back(Current());
  }

  void CloseGroup() {
    if (overflow > 0) {
      --overflow;
      return;
    }
    if (groups.size() <= 1) return;  // an unmatched brace closes nothing
    // Text of the closing group keeps the group's colour.
    if (ColourOf(Current().colour) != ColourOf(groups[groups.size() - 2].colour)) FlushRun(false);
    groups.pop_back();
  }

  void ReadControl() {
    if (position >= input.size()) return;
    const char c = input[position];
    if (IsLetter(c)) return ReadControlWord();
    ++position;
    if (c == '\\' || c == '{' || c == '}') return AddCharacter(static_cast<unsigned char>(c));
    if (c == '\'') return ReadHexByte();
    if (c == '*') Current().destination = Destination::Skipped;
    // Other control symbols stand for characters the chat never writes.
  }

  void ReadHexByte() {
    if (position + 2 > input.size()) {
      position = input.size();
      return;
    }
    const int high = HexValue(input[position]);
    const int low = HexValue(input[position + 1]);
    if (high < 0 || low < 0) return;  // not an escape: the characters read as text
    position += 2;
    AddCharacter(static_cast<unsigned char>(high * 16 + low));
  }

  void ReadControlWord() {
    const size_t start = position;
    while (position < input.size() && IsLetter(input[position])) ++position;
    const std::string_view word = input.substr(start, std::min(position - start, kMaxWordLength));
    bool negative = false;
    if (position < input.size() && input[position] == '-') {
      negative = true;
      ++position;
    }
    int64_t parameter = 0;
    bool hasParameter = false;
    while (position < input.size() && IsDigit(input[position])) {
      parameter = std::min(parameter * 10 + (input[position++] - '0'), kMaxParameter);
      hasParameter = true;
    }
    if (position < input.size() && input[position] == ' ') ++position;
    Apply(word, static_cast<int>(negative ? -parameter : parameter), hasParameter);
  }

  void Apply(std::string_view word, int parameter, bool hasParameter) {
    Group& group = Current();
    if (group.destination == Destination::Skipped) return;
    if (group.destination == Destination::ColourTable) return ApplyColourWord(word, parameter);
    if (word == "colortbl") {
      group.destination = Destination::ColourTable;
    } else if (word == "fonttbl" || word == "stylesheet" || word == "info" || word == "pict") {
      group.destination = Destination::Skipped;
    } else if (word == "par") {
      FlushRun(true);
    } else if (word == "cf") {
      const int colour = hasParameter ? parameter : 0;
      if (ColourOf(colour) != ColourOf(group.colour)) FlushRun(false);
      group.colour = colour;
    }
  }

  void ApplyColourWord(std::string_view word, int parameter) {
    const auto value = static_cast<uint8_t>(std::clamp(parameter, 0, 255));
    if (word == "red") pending.red = value;
    if (word == "green") pending.green = value;
    if (word == "blue") pending.blue = value;
    pendingSet = pendingSet || word == "red" || word == "green" || word == "blue";
  }

  void AddCharacter(unsigned char c) {
    switch (Current().destination) {
      case Destination::Skipped:
        return;
      case Destination::ColourTable:
        if (c == ';') EndColourEntry();
        return;
      case Destination::Text:
        // A control character would break the line apart or vanish: show a space.
        run += c < 0x20 || c == 0x7f ? ' ' : static_cast<char>(c);
        return;
    }
  }

  // An entry without colour words is the default colour (entry 0 usually is).
  void EndColourEntry() {
    if (colours.size() < kMaxColours) colours.push_back(pendingSet ? std::optional(pending) : std::nullopt);
    pending = {};
    pendingSet = false;
  }

  std::optional<RichTextColour> ColourOf(int index) const {
    return index > 0 && static_cast<size_t>(index) < colours.size() ? colours[index] : std::nullopt;
  }

  void FlushRun(bool endsParagraph) {
    if (run.empty() && !endsParagraph) return;
    runs.push_back({run, ColourOf(Current().colour), endsParagraph});
    run.clear();
  }

  std::string_view input;
  size_t position = 0;
  std::vector<Group> groups{Group{}};
  size_t overflow = 0;
  std::vector<std::optional<RichTextColour>> colours;
  RichTextColour pending;
  bool pendingSet = false;
  std::string run;
  std::vector<RichTextRun> runs;
};

}  // namespace

std::string EscapeRichText(std::string_view text) {
  std::string escaped;
  escaped.reserve(text.size() + text.size() / 8);
  for (size_t i = 0; i < text.size(); ++i) {
    const auto c = static_cast<unsigned char>(text[i]);
    const bool runsIntoControlWord = i == 0 && (IsDigit(text[i]) || c == ' ');
    if (c == '\\' || c == '{' || c == '}') {
      escaped += '\\';
      escaped += static_cast<char>(c);
    } else if (c < 0x20 || c >= 0x7f || runsIntoControlWord) {
      escaped += "\\'";
      escaped += kHexDigits[c >> 4];
      escaped += kHexDigits[c & 0xf];
    } else {
      escaped += static_cast<char>(c);
    }
  }
  return escaped;
}

std::string ChatLineRichText(std::string_view text, std::string_view kind) {
  std::string rich = "{\\rtf1\\ansi{\\colortbl;";
  rich += ColourEntry(kind);
  rich += "}\\cf1";
  rich += EscapeRichText(text);
  rich += "\\par}";
  return rich;
}

std::vector<RichTextRun> ReadRichText(std::string_view rich) { return RichTextReader(rich).Read(); }

}  // namespace kestrix
