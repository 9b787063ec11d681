// The simulator link as the simulator's side would answer it: a transport
// that stands in for the interface module and fills every hand-over from the
// input. Each hand-over takes one control byte (how the send ends, whether
// the module keeps the record headers) and then the bytes of every read.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "fuzz_clock.h"
#include "sim/sim_link.h"
#include "sim/sim_sampling.h"
#include "sim/sim_wire.h"

using namespace kestrix;

namespace {

class InputTransport : public SimTransport {
 public:
  InputTransport(const uint8_t* data, size_t size) : data(data), size(size), block(kSimBlockSize) {}

  bool FindWindow(const std::string&) override { return true; }
  bool RegisterMessage(const std::string&) override { return true; }
  bool AddAtom(const std::string&) override { return true; }
  MappingOutcome CreateMapping(const std::string&, size_t) override { return MappingOutcome::Created; }
  unsigned char* MapView() override { return block.data(); }
  void Release() override {}

  SendResult Send(int) override {
    const uint8_t control = Next();
    switch (control & 0x7) {
      case 0: return {SendOutcome::TimedOut, 0};
      case 1: return {SendOutcome::SystemError, 0};
      case 2: return {SendOutcome::Replied, static_cast<int32_t>(Next())};
      default: break;
    }
    // Like the module: walk the records up to the terminator and fill each
    // read's answer space.
    size_t at = 0;
    while (at + 4 <= kSimRequestArea && GetU32(&block[at]) != 0) {
      const uint32_t kind = GetU32(&block[at]);
      const uint32_t length = GetU32(&block[at + 8]);
      const size_t header = kind == kSimRecordRead ? kSimReadHeader : kSimWriteHeader;
      if (at + header + length > kSimRequestArea) break;
      if (kind == kSimRecordRead) Fill(&block[at + header], length);
      at += header + length;
    }
    // Now and then a module that scribbles over the headers too.
    if (control & 0x80) Fill(block.data(), Next() % 32);
    return {SendOutcome::Replied, 1};
  }

 private:
  uint8_t Next() { return used < size ? data[used++] : 0; }
  void Fill(unsigned char* out, size_t count) {
    for (size_t i = 0; i < count; ++i) out[i] = Next();
  }

  const uint8_t* data;
  size_t size;
  size_t used = 0;
  std::vector<unsigned char> block;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const bool clockInstalled = InstallFuzzClock();
  (void)clockInstalled;
  SimLink link(std::make_unique<InputTransport>(data, size));
  int result = 0;
  if (!link.Open(result)) return 0;

  SimCheckFields checks;
  FlightRecord flight;
  LiveFeedExtras extras;
  int32_t pounds = 0;
  int32_t marker = 0;
  int32_t onGround = 0;
  SampleSimulator(link, checks, flight, result);
  ReadFuel(link, pounds, result);
  ReadFuelMarker(link, marker, result);
  ReadOnGround(link, onGround, result);
  ReadLiveFeedExtras(link, extras, result);
  WindDirectionForReport(extras, flight.altitude);
  PlaceAircraft(link, flight, result);
  return 0;
}
