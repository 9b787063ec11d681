#include "airline/ticket_image.h"

#include <zlib.h>

#include <gtest/gtest.h>

#include "airline/airline_state.h"

namespace kestrix::airline {
namespace {

uint32_t BigEndian(const std::string& bytes, size_t at) {
  uint32_t value = 0;
  for (size_t i = 0; i < 4; ++i) value = value << 8 | static_cast<unsigned char>(bytes[at + i]);
  return value;
}

// Walks the chunks, checking every CRC, and inflates the image data.
std::string Inflated(const std::string& png, uint32_t& width, uint32_t& height) {
  EXPECT_EQ(png.substr(0, 8), "\x89PNG\r\n\x1a\n");
  std::string data;
  for (size_t at = 8; at + 12 <= png.size();) {
    const uint32_t length = BigEndian(png, at);
    const std::string body = png.substr(at + 4, 4 + length);
    EXPECT_EQ(BigEndian(png, at + 8 + length),
              crc32(0, reinterpret_cast<const Bytef*>(body.data()), static_cast<uInt>(body.size())));
    if (body.starts_with("IHDR")) {
      width = BigEndian(body, 4);
      height = BigEndian(body, 8);
    }
    if (body.starts_with("IDAT")) data += body.substr(4);
    at += 12 + length;
  }
  std::string pixels(height * (1 + 3 * width), '\0');
  uLongf size = pixels.size();
  EXPECT_EQ(uncompress(reinterpret_cast<Bytef*>(pixels.data()), &size, reinterpret_cast<const Bytef*>(data.data()),
                       static_cast<uLong>(data.size())),
            Z_OK);
  EXPECT_EQ(size, pixels.size());
  return pixels;
}

TEST(TicketImage, ValidPngsThatDifferBySideKindAndFlight) {
  uint32_t width = 0, height = 0;
  const std::string front = Inflated(TicketImage("planbook", true, "123"), width, height);
  EXPECT_GT(width, 0u);
  EXPECT_GT(height, 0u);
  EXPECT_NE(front, Inflated(TicketImage("planbook", false, "123"), width, height));
  EXPECT_NE(front, Inflated(TicketImage("ga", true, "123"), width, height));
  EXPECT_NE(front, Inflated(TicketImage("planbook", true, "124"), width, height));
}

TEST(TicketImage, ServedForTheThreeKindsOnly) {
  AirlineState state;
  const std::string page = state.Variables()["imagePage"];
  const Reply front = state.Handle(page + "?flightid=123&rectype=planbook&ticktype=f");
  EXPECT_EQ(front.contentType, "image/png");
  EXPECT_EQ(front.body, TicketImage("planbook", true, "123"));
  EXPECT_EQ(state.Handle(page + "?flightid=123&rectype=ticket&ticktype=b").body, TicketImage("ticket", false, "123"));
  EXPECT_EQ(state.Handle(page + "?flightid=123&rectype=bid&ticktype=f").status, 404);
  EXPECT_EQ(state.Handle(page + "?flightid=123&rectype=ga&ticktype=x").status, 404);
}

}  // namespace
}  // namespace kestrix::airline
