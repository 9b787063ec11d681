#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

// The message between the link and the interface module on the POSIX
// rendezvous, and little-endian access to the shared block. Shared by the
// client and the stand-in simulator.
namespace kestrix {

inline constexpr size_t kSimMaxNameBytes = 64;
inline constexpr size_t kSimReplyBytes = 8;

inline uint32_t GetU32(const unsigned char* at) {
  return uint32_t(at[0]) | uint32_t(at[1]) << 8 | uint32_t(at[2]) << 16 | uint32_t(at[3]) << 24;
}

inline void PutU32(unsigned char* at, uint32_t value) {
  for (int i = 0; i < 4; ++i) at[i] = static_cast<unsigned char>(value >> (8 * i));
}

// Shared-memory objects need a leading slash on POSIX.
inline std::string SharedMemoryName(const std::string& blockName) { return "/" + blockName; }

// Request: 32-bit sequence number, then the block's name.
inline std::string EncodeSimRequest(uint32_t sequence, const std::string& name) {
  std::string message(4, '\0');
  PutU32(reinterpret_cast<unsigned char*>(message.data()), sequence);
  return message + name;
}

struct SimRequest {
  uint32_t sequence = 0;
  std::string name;
};

inline bool DecodeSimRequest(const unsigned char* data, size_t size, SimRequest& request) {
  if (size < 5 || size > 4 + kSimMaxNameBytes) return false;
  request.sequence = GetU32(data);
  request.name.assign(reinterpret_cast<const char*>(data + 4), size - 4);
  return request.name.find_first_of(std::string("/\0", 2)) == std::string::npos;
}

// Reply: the sequence it answers, then the reply value.
struct SimReply {
  uint32_t sequence = 0;
  int32_t value = 0;
};

inline void EncodeSimReply(const SimReply& reply, unsigned char* out) {
  PutU32(out, reply.sequence);
  PutU32(out + 4, static_cast<uint32_t>(reply.value));
}

inline bool DecodeSimReply(const unsigned char* data, size_t size, SimReply& reply) {
  if (size != kSimReplyBytes) return false;
  reply.sequence = GetU32(data);
  reply.value = static_cast<int32_t>(GetU32(data + 4));
  return true;
}

}  // namespace kestrix
