#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "sim/sim_transport.h"

namespace kestrix {

// Result codes of the link's operations; 0 is success.
namespace SimResult {
inline constexpr int Ok = 0;
inline constexpr int AlreadyOpen = 1;
inline constexpr int NoWindow = 2;
inline constexpr int NoMessage = 3;
inline constexpr int NoAtom = 4;
inline constexpr int NoMapping = 5;
inline constexpr int NoView = 6;
inline constexpr int BadVersion = 7;
inline constexpr int NotOpen = 9;
inline constexpr int NothingQueued = 10;
inline constexpr int TimedOut = 11;
inline constexpr int SendFailed = 12;
inline constexpr int Rejected = 13;
inline constexpr int NotReady = 14;
inline constexpr int TooLarge = 15;
}  // namespace SimResult

inline constexpr size_t kSimBlockSize = 32768;
// Usable part of the block, the terminator included.
inline constexpr size_t kSimRequestArea = 0x7F00;
inline constexpr uint32_t kSimRecordRead = 1;
inline constexpr uint32_t kSimRecordWrite = 2;
inline constexpr size_t kSimReadHeader = 16;
inline constexpr size_t kSimWriteHeader = 12;

inline constexpr const char* kSimWindowClass = "UIPCMAIN";
inline constexpr const char* kSimNetworkWindowClass = "FS98MAIN";
inline constexpr const char* kSimMessageName = "FsasmLib:IPC";
inline constexpr uint16_t kSimLibraryVersion = 2002;
inline constexpr uint32_t kSimMinInterfaceVersion = 0x19980005;
inline constexpr uint16_t kSimVersionCheck = 0xFADE;
inline constexpr int kSimSendTimeoutMs = 2000;
inline constexpr int kSimSendAttempts = 9;

// "FsasmLib:IPC:<pid>:<counter>", both upper-case hexadecimal.
std::string SimMappingName(uint32_t processId, uint32_t counter);

// The client of the simulator's interface module. Requests are queued in a
// shared block and handed over by Process, which copies the read answers to
// their destinations. Used from one thread; every operation reports a
// SimResult code through `result`.
class SimLink {
 public:
  // Without a transport, the POSIX one on the default rendezvous directory.
  explicit SimLink(std::unique_ptr<SimTransport> transport = nullptr);
  ~SimLink();
  SimLink(const SimLink&) = delete;
  SimLink& operator=(const SimLink&) = delete;

  bool Open(int& result);
  // Closes the link and has it use `other` from now on instead of the
  // transport it was made with; nullptr goes back to that one. How another
  // kind of simulator is tried.
  void UseOtherTransport(std::unique_ptr<SimTransport> other);
  void Close();
  // `destination` must stay valid until Process returns.
  bool Read(uint32_t size, uint32_t offset, void* destination, int& result);
  bool Write(uint32_t size, uint32_t offset, const void* source, int& result);
  bool Process(int& result);
  // Drops whatever is queued, as when a batch is abandoned half-way.
  void DiscardQueued();

  bool IsOpen() const { return view != nullptr; }
  uint32_t InterfaceVersion() const { return interfaceVersion; }
  // Low half of the simulator's version word once the link is open.
  uint32_t SimulatorVersion() const { return simulatorVersion; }
  bool ViaNetworkClient() const { return networkClient; }
  const std::string& MappingName() const { return mappingName; }
  // How long one send attempt waits for the reply.
  void SetSendTimeoutMs(int milliseconds) { sendTimeoutMs = milliseconds; }

 private:
  struct Queued {
    size_t position;
    uint32_t kind;
    uint32_t offset;
    uint32_t size;
    void* destination;
  };

  bool Queue(uint32_t kind, uint32_t size, uint32_t offset, const void* data, void* destination, int& result);
  bool Fail(int code, int& result, bool close);
  bool ReadVersions(int& result);
  bool AnswersIntact() const;
  void CopyAnswers();

  SimTransport& Transport() { return other ? *other : *own; }

  std::unique_ptr<SimTransport> own;
  std::unique_ptr<SimTransport> other;
  unsigned char* view = nullptr;
  size_t next = 0;
  std::vector<Queued> queued;
  bool networkClient = false;
  uint32_t interfaceVersion = 0;
  uint32_t simulatorVersion = 0;
  std::string mappingName;
  int sendTimeoutMs = kSimSendTimeoutMs;
};

}  // namespace kestrix
