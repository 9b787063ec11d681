#include "airline/ticket_image.h"

#include <zlib.h>

#include <cstdint>

namespace kestrix::airline {
namespace {

constexpr uint32_t kWidth = 222;
constexpr uint32_t kHeight = 200;

struct Rgb {
  uint8_t r, g, b;
};

Rgb KindColour(const std::string& kind) {
  if (kind == "planbook") return {40, 90, 170};
  if (kind == "ga") return {60, 150, 70};
  return {190, 60, 50};
}

void AppendBigEndian(std::string& out, uint32_t value) {
  for (int shift = 24; shift >= 0; shift -= 8) out += static_cast<char>(value >> shift & 0xFF);
}

void AppendChunk(std::string& out, const char* type, const std::string& data) {
  AppendBigEndian(out, static_cast<uint32_t>(data.size()));
  const std::string body = std::string(type, 4) + data;
  out += body;
  AppendBigEndian(out, static_cast<uint32_t>(
                           crc32(0, reinterpret_cast<const Bytef*>(body.data()), static_cast<uInt>(body.size()))));
}

// Filter byte 0 and RGB pixels, row by row.
std::string Pixels(Rgb colour, bool front, const std::string& flightId) {
  const Rgb paper = front ? Rgb{245, 240, 225} : Rgb{120, 115, 105};
  std::string rows;
  rows.reserve(kHeight * (1 + 3 * kWidth));
  for (uint32_t y = 0; y < kHeight; ++y) {
    rows += '\0';
    for (uint32_t x = 0; x < kWidth; ++x) {
      Rgb pixel = y < 36 ? colour : paper;
      // A bar code of the flight id's characters along the bottom.
      const uint32_t column = (x - 10) / 3;
      if (y >= 160 && y < 190 && x >= 10 && column / 8 < flightId.size()) {
        const unsigned char c = static_cast<unsigned char>(flightId[column / 8]);
        if (c >> (column % 8) & 1) pixel = Rgb{20, 20, 20};
      }
      rows += static_cast<char>(pixel.r);
      rows += static_cast<char>(pixel.g);
      rows += static_cast<char>(pixel.b);
    }
  }
  return rows;
}

std::string Deflate(const std::string& raw) {
  uLongf size = compressBound(static_cast<uLong>(raw.size()));
  std::string out(size, '\0');
  compress(reinterpret_cast<Bytef*>(out.data()), &size, reinterpret_cast<const Bytef*>(raw.data()),
           static_cast<uLong>(raw.size()));
  out.resize(size);
  return out;
}

}  // namespace

std::string TicketImage(const std::string& kind, bool front, const std::string& flightId) {
  std::string png = "\x89PNG\r\n\x1a\n";
  std::string header;
  AppendBigEndian(header, kWidth);
  AppendBigEndian(header, kHeight);
  header += std::string{8, 2, 0, 0, 0};  // 8-bit RGB, no interlace
  AppendChunk(png, "IHDR", header);
  AppendChunk(png, "IDAT", Deflate(Pixels(KindColour(kind), front, flightId)));
  AppendChunk(png, "IEND", "");
  return png;
}

}  // namespace kestrix::airline
