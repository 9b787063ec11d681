#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace kestrix {

// How one attempt to hand the block to the interface module ended.
enum class SendOutcome { Replied, TimedOut, SystemError };

struct SendResult {
  SendOutcome outcome = SendOutcome::SystemError;
  int32_t reply = 0;
};

enum class MappingOutcome { Created, Failed, AlreadyExisted };

// The operating-system side of the simulator link: finding the interface
// module, the shared block and the message that hands it over. The link
// calls these in the order of its open sequence; Release undoes whatever
// is held and is harmless when nothing is.
class SimTransport {
 public:
  virtual ~SimTransport() = default;
  virtual bool FindWindow(const std::string& className) = 0;
  virtual bool RegisterMessage(const std::string& messageName) = 0;
  virtual bool AddAtom(const std::string& name) = 0;
  virtual MappingOutcome CreateMapping(const std::string& name, size_t size) = 0;
  // The mapped block, or nullptr when it cannot be mapped.
  virtual unsigned char* MapView() = 0;
  // One blocking attempt, waiting at most timeoutMs for the reply.
  virtual SendResult Send(int timeoutMs) = 0;
  virtual void Release() = 0;
};

// Where the interface module's rendezvous sockets live: $KESTRIX_SIM_DIR,
// else /tmp. Each simulator (and each test) may use a directory of its own.
std::string DefaultRendezvousDir();
// The socket a module answering as `className` listens on inside `dir`.
std::string RendezvousPath(const std::string& dir, const std::string& className);

// Shared memory under the block's name and a Unix-socket rendezvous per
// window class; the message carries the block's name and gets the reply value.
std::unique_ptr<SimTransport> MakePosixSimTransport(std::string rendezvousDir = DefaultRendezvousDir());

}  // namespace kestrix
