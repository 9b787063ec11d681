#include "sim/sim_link.h"

#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <cstring>

#include "platform/clock.h"
#include "sim/sim_offsets.h"
#include "sim/sim_wire.h"

namespace kestrix {
namespace {

// Counts every open attempt of the process, so each one gets a fresh block name.
std::atomic<uint32_t> openCounter{0};

constexpr int kVersionTries = 5;
constexpr int kRetrySleepMs = 100;

}  // namespace

std::string SimMappingName(uint32_t processId, uint32_t counter) {
  char name[40];
  std::snprintf(name, sizeof name, "FsasmLib:IPC:%X:%X", processId, counter);
  return name;
}

SimLink::SimLink(std::unique_ptr<SimTransport> transport)
    : own(transport ? std::move(transport) : MakePosixSimTransport()) {}

SimLink::~SimLink() { Close(); }

bool SimLink::Fail(int code, int& result, bool close) {
  if (close) Close();
  result = code;
  return false;
}

bool SimLink::Open(int& result) {
  if (view) return Fail(SimResult::AlreadyOpen, result, false);
  interfaceVersion = simulatorVersion = 0;
  networkClient = false;
  if (!Transport().FindWindow(kSimWindowClass)) {
    if (!Transport().FindWindow(kSimNetworkWindowClass)) return Fail(SimResult::NoWindow, result, true);
    networkClient = true;
  }
  if (!Transport().RegisterMessage(kSimMessageName)) return Fail(SimResult::NoMessage, result, true);
  mappingName = SimMappingName(static_cast<uint32_t>(getpid()), ++openCounter);
  if (!Transport().AddAtom(mappingName)) return Fail(SimResult::NoAtom, result, true);
  if (Transport().CreateMapping(mappingName, kSimBlockSize) != MappingOutcome::Created)
    return Fail(SimResult::NoMapping, result, true);
  view = Transport().MapView();
  if (!view) return Fail(SimResult::NoView, result, true);
  next = 0;
  queued.clear();
  if (!ReadVersions(result)) return Fail(result, result, true);
  if (interfaceVersion < kSimMinInterfaceVersion || (simulatorVersion >> 16) != kSimVersionCheck)
    return Fail(networkClient ? SimResult::NotReady : SimResult::BadVersion, result, true);
  simulatorVersion &= 0xFFFF;
  result = SimResult::Ok;
  return true;
}

bool SimLink::ReadVersions(int& result) {
  const uint16_t libraryVersion = kSimLibraryVersion;
  for (int attempt = 0; attempt < kVersionTries && !(interfaceVersion && simulatorVersion); ++attempt) {
    if (!Read(4, SimOffset::InterfaceVersion, &interfaceVersion, result) ||
        !Read(4, SimOffset::SimulatorVersion, &simulatorVersion, result) ||
        (attempt == 0 && !Write(2, SimOffset::LibraryVersion, &libraryVersion, result)) || !Process(result))
      return false;
    SleepMs(kRetrySleepMs);
  }
  return true;
}

void SimLink::UseOtherTransport(std::unique_ptr<SimTransport> next) {
  Close();
  other = std::move(next);
}

void SimLink::Close() {
  Transport().Release();
  view = nullptr;
  DiscardQueued();
}

void SimLink::DiscardQueued() {
  next = 0;
  queued.clear();
}

bool SimLink::Read(uint32_t size, uint32_t offset, void* destination, int& result) {
  return Queue(kSimRecordRead, size, offset, nullptr, destination, result);
}

bool SimLink::Write(uint32_t size, uint32_t offset, const void* source, int& result) {
  return Queue(kSimRecordWrite, size, offset, source, nullptr, result);
}

bool SimLink::Queue(uint32_t kind, uint32_t size, uint32_t offset, const void* data, void* destination,
                    int& result) {
  if (!view) return Fail(SimResult::NotOpen, result, false);
  const size_t header = kind == kSimRecordRead ? kSimReadHeader : kSimWriteHeader;
  if (size > kSimRequestArea || next + header + size + 4 > kSimRequestArea)
    return Fail(SimResult::TooLarge, result, false);
  unsigned char* at = view + next;
  PutU32(at, kind);
  PutU32(at + 4, offset);
  PutU32(at + 8, size);
  if (kind == kSimRecordRead) {
    // The destination field carries the record's number: the module hands it
    // back unchanged, and no address ever crosses the process boundary.
    PutU32(at + 12, static_cast<uint32_t>(queued.size() + 1));
    std::memset(at + header, 0, size);
  } else if (size) {
    if (data)
      std::memcpy(at + header, data, size);
    else
      std::memset(at + header, 0, size);
  }
  queued.push_back({next, kind, offset, size, destination});
  next += header + size;
  result = SimResult::Ok;
  return true;
}

bool SimLink::Process(int& result) {
  if (!view) return Fail(SimResult::NotOpen, result, false);
  if (next == 0) return Fail(SimResult::NothingQueued, result, false);
  PutU32(view + next, 0);
  next = 0;
  SendResult sent;
  for (int attempt = 0; attempt < kSimSendAttempts; ++attempt) {
    sent = Transport().Send(sendTimeoutMs);
    if (sent.outcome == SendOutcome::Replied) break;
    SleepMs(kRetrySleepMs);
  }
  int code = SimResult::Ok;
  if (sent.outcome == SendOutcome::TimedOut)
    code = SimResult::TimedOut;
  else if (sent.outcome == SendOutcome::SystemError)
    code = SimResult::SendFailed;
  else if (sent.reply != 1 || !AnswersIntact())
    code = SimResult::Rejected;
  if (code == SimResult::Ok) CopyAnswers();
  queued.clear();
  result = code;
  return code == SimResult::Ok;
}

// The module may only fill answer space; a block whose record headers came
// back changed is treated as rejected, so nothing is copied from it.
bool SimLink::AnswersIntact() const {
  for (size_t index = 0; index < queued.size(); ++index) {
    const Queued& record = queued[index];
    const unsigned char* at = view + record.position;
    if (GetU32(at) != record.kind || GetU32(at + 4) != record.offset || GetU32(at + 8) != record.size)
      return false;
    if (record.kind == kSimRecordRead && GetU32(at + 12) != index + 1) return false;
  }
  return true;
}

void SimLink::CopyAnswers() {
  for (const Queued& record : queued)
    if (record.kind == kSimRecordRead && record.destination && record.size)
      std::memcpy(record.destination, view + record.position + kSimReadHeader, record.size);
}

}  // namespace kestrix
