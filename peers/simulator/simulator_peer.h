#pragma once

#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "flight_model.h"
#include "serving_thread.h"
#include "sim/sim_offset_table.h"

namespace kestrix {

// Misbehaviours the stand-in can show, to test the client against.
enum class SimulatorFault {
  None,
  RefuseBlocks,    // answers every block with 0
  NotAnswering,    // reads the message, never replies
  OldInterface,    // interface version 0x19980004
  NotReady,        // version check word is not 0xFADE (a network client whose simulator is not up)
  GarbageAnswers,  // fills every read answer with noise
  BrokenRecords,   // replies 1 but with a record header made nonsense
  SlowAnswers,     // replies 300 ms after handling the block
};

// Names used on the command line and the control input: none, refuse,
// silent, old-interface, not-ready, garbage, broken-records, slow.
bool ParseSimulatorFault(const std::string& name, SimulatorFault& fault);

struct SimWrite {
  uint32_t offset = 0;
  std::vector<unsigned char> bytes;
};

// The stand-in simulator with its interface module: serves the client's
// blocks on a rendezvous (a thread of its own) from a flight model that
// only moves when stepped. Every member is safe from any thread.
class SimulatorPeer {
 public:
  explicit SimulatorPeer(std::string rendezvousDir, std::string windowClass = "UIPCMAIN");
  ~SimulatorPeer();
  SimulatorPeer(const SimulatorPeer&) = delete;
  SimulatorPeer& operator=(const SimulatorPeer&) = delete;

  // Starts listening and serving; false (with the reason) when the rendezvous cannot be made.
  bool Start(std::string* error = nullptr);
  void Stop();
  // Disappears as a crashed simulator does: stops listening, drops every client.
  void Vanish() { Stop(); }
  bool Return(std::string* error = nullptr) { return Start(error); }
  bool Running() const { return serving.Running(); }

  void SetScenario(Scenario scenario);
  void Step(double simulatedSeconds);
  // Called after every step, edit, event, change and fault switch, on the
  // caller's thread and outside the peer's lock: a front end that streams
  // the aircraft sends what changed at once.
  void SetChangeHook(std::function<void()> hook);
  void SetFault(SimulatorFault fault);

  AircraftState Aircraft() const;
  void EditAircraft(const std::function<void(AircraftState&)>& edit);
  FlightStage Stage() const;
  void ApplyEvent(const ScenarioEvent& event);

  // For the alternate front ends: the aircraft as shown (`sampling` when
  // the client reads whether it is on the ground), and a change made
  // through them (SimChange bits).
  SimVariables View(bool sampling);
  void Change(const std::function<void(SimVariables&)>& edit, unsigned changes);
  SimulatorFault Fault() const;

  std::vector<SimWrite> Writes() const;
  void ClearWrites();

  // One control line ("pause", "unpause", "slew on", "rate 2", "refuel 500",
  // "land", "status", ...); fills `reply`, false for an unknown command.
  bool Command(const std::string& line, std::string& reply);
  // One line describing the aircraft and the flight's stage.
  std::string Status() const;

  const std::string& SocketPath() const { return socketPath; }

 private:
  struct Client;
  void Serve(int listener);
  bool Answer(Client& client);
  int32_t ProcessBlock(unsigned char* block);
  // Runs `edit` under the lock, then the change hook.
  void Update(const std::function<void()>& edit);
  // The aircraft as the simulator shows it, fault included; under the lock.
  SimVariables Shown() const;

  std::string socketPath;
  mutable std::mutex mutex;
  FlightModel model;
  SimulatorFault fault = SimulatorFault::None;
  SimOffsetImage image;
  std::vector<SimWrite> writes;
  uint32_t noise = 0x2545F491;
  std::function<void()> changeHook;
  ServingThread serving;
};

}  // namespace kestrix
