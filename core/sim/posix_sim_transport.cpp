#include <fcntl.h>
#include <poll.h>
#include <sys/mman.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>

#include "sim/sim_transport.h"
#include "sim/sim_wire.h"

namespace kestrix {
namespace {

class PosixSimTransport : public SimTransport {
 public:
  explicit PosixSimTransport(std::string dir) : dir(std::move(dir)) {}
  ~PosixSimTransport() override { Release(); }

  bool FindWindow(const std::string& className) override {
    CloseSocket();
    socketFd = ConnectRendezvous(RendezvousPath(dir, className));
    return socketFd >= 0;
  }

  bool RegisterMessage(const std::string& messageName) override { return !messageName.empty(); }

  bool AddAtom(const std::string& name) override {
    if (name.empty() || name.size() > kSimMaxNameBytes) return false;
    atom = name;
    return true;
  }

  MappingOutcome CreateMapping(const std::string& name, size_t size) override {
    std::string shmName = SharedMemoryName(name);
    int fd = shm_open(shmName.c_str(), O_CREAT | O_EXCL | O_RDWR | O_CLOEXEC, 0600);
    // Block names carry the creating process's id and a counter that never
    // repeats within it, so one that exists already was left by a process
    // that died with that id. Shared memory outlives its creator here, as it
    // cannot elsewhere, so the leftover is removed once.
    if (fd < 0 && errno == EEXIST && shm_unlink(shmName.c_str()) == 0)
      fd = shm_open(shmName.c_str(), O_CREAT | O_EXCL | O_RDWR | O_CLOEXEC, 0600);
    if (fd < 0) return errno == EEXIST ? MappingOutcome::AlreadyExisted : MappingOutcome::Failed;
    mappingFd = fd;
    mappingName = shmName;
    mappingSize = size;
    if (ftruncate(fd, static_cast<off_t>(size)) != 0) return MappingOutcome::Failed;
    return MappingOutcome::Created;
  }

  unsigned char* MapView() override {
    if (mappingFd < 0) return nullptr;
    void* address = mmap(nullptr, mappingSize, PROT_READ | PROT_WRITE, MAP_SHARED, mappingFd, 0);
    if (address == MAP_FAILED) return nullptr;
    view = static_cast<unsigned char*>(address);
    return view;
  }

  SendResult Send(int timeoutMs) override {
    SendResult result;
    if (socketFd < 0 || atom.empty()) return result;
    uint32_t sequence = ++lastSequence;
    std::string message = EncodeSimRequest(sequence, atom);
    if (send(socketFd, message.data(), message.size(), MSG_NOSIGNAL) != static_cast<ssize_t>(message.size()))
      return result;
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
      auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
      pollfd waiting{socketFd, POLLIN, 0};
      int ready = poll(&waiting, 1, left.count() > 0 ? static_cast<int>(left.count()) : 0);
      if (ready == 0) {
        result.outcome = SendOutcome::TimedOut;
        return result;
      }
      if (ready < 0) {
        if (errno == EINTR) continue;
        return result;
      }
      SimReply reply;
      unsigned char buffer[kSimReplyBytes * 2];
      ssize_t got = recv(socketFd, buffer, sizeof buffer, 0);
      if (got <= 0) return result;
      // A late answer to an attempt that already timed out is not this one's.
      if (!DecodeSimReply(buffer, static_cast<size_t>(got), reply) || reply.sequence != sequence) continue;
      result.outcome = SendOutcome::Replied;
      result.reply = reply.value;
      return result;
    }
  }

  void Release() override {
    if (view) munmap(view, mappingSize);
    view = nullptr;
    if (mappingFd >= 0) {
      close(mappingFd);
      shm_unlink(mappingName.c_str());
    }
    mappingFd = -1;
    mappingName.clear();
    atom.clear();
    CloseSocket();
  }

 private:
  void CloseSocket() {
    if (socketFd >= 0) close(socketFd);
    socketFd = -1;
  }

  static int ConnectRendezvous(const std::string& path) {
    sockaddr_un address{};
    if (path.size() >= sizeof address.sun_path) return -1;
    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path, path.data(), path.size());
    int fd = socket(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0);
    if (fd < 0) return -1;
    if (connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
      close(fd);
      return -1;
    }
    return fd;
  }

  std::string dir;
  int socketFd = -1;
  std::string atom;
  int mappingFd = -1;
  std::string mappingName;
  size_t mappingSize = 0;
  unsigned char* view = nullptr;
  uint32_t lastSequence = 0;
};

}  // namespace

std::string DefaultRendezvousDir() {
  const char* dir = std::getenv("KESTRIX_SIM_DIR");
  return dir && *dir ? dir : "/tmp";
}

std::string RendezvousPath(const std::string& dir, const std::string& className) {
  return dir + "/" + className;
}

std::unique_ptr<SimTransport> MakePosixSimTransport(std::string rendezvousDir) {
  return std::make_unique<PosixSimTransport>(std::move(rendezvousDir));
}

}  // namespace kestrix
