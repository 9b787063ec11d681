#include "sim/variable_sim_transport.h"

#include <vector>

#include "sim/sim_link.h"

namespace kestrix {
namespace {

constexpr int kConnectTimeoutMs = 1000;

class VariableSimTransport : public SimTransport {
 public:
  explicit VariableSimTransport(std::unique_ptr<SimVariableSource> source) : source(std::move(source)) {}
  ~VariableSimTransport() override { Release(); }

  // Such a simulator answers only as the interface module, never as a network client.
  bool FindWindow(const std::string& className) override {
    Disconnect();
    connected = className == kSimWindowClass && source->Connect(kConnectTimeoutMs) == SendOutcome::Replied;
    return connected;
  }
  bool RegisterMessage(const std::string& messageName) override { return !messageName.empty(); }
  bool AddAtom(const std::string& name) override { return !name.empty(); }
  MappingOutcome CreateMapping(const std::string&, size_t size) override {
    block.assign(size, 0);
    return MappingOutcome::Created;
  }
  unsigned char* MapView() override { return block.empty() ? nullptr : block.data(); }

  SendResult Send(int timeoutMs) override {
    if (block.size() < kSimRequestArea) return {};
    if (!connected) {
      const SendOutcome reached = source->Connect(timeoutMs);
      if (reached != SendOutcome::Replied) return {reached, 0};
      connected = true;
    }
    const SendOutcome fetched = source->Fetch(variables, timeoutMs);
    if (fetched != SendOutcome::Replied) return Dropped(fetched);
    NoteTouchdown();
    image.Render(variables);
    unsigned changes = 0;
    const bool clean =
        WalkSimBlock(block.data(), [&](uint32_t kind, uint32_t offset, unsigned char* data, uint32_t size) {
          if (kind == kSimRecordRead) return image.Read(offset, data, size);
          changes |= image.Write(offset, data, size, variables);
          image.Render(variables);
        });
    if (!clean) return {SendOutcome::Replied, 0};
    if (changes) {
      const SendOutcome applied = source->Apply(variables, changes, timeoutMs);
      if (applied != SendOutcome::Replied) return Dropped(applied);
    }
    return {SendOutcome::Replied, 1};
  }

  void Release() override {
    Disconnect();
    block.clear();
  }

 private:
  SendResult Dropped(SendOutcome outcome) {
    Disconnect();
    return {outcome, 0};
  }

  void Disconnect() {
    if (connected) source->Disconnect();
    connected = false;
  }

  // Neither simulator keeps the rate of descent at ground contact, so it is
  // the last one seen in the air when the aircraft is next seen on the ground.
  void NoteTouchdown() {
    if (!variables.onGround)
      airborneVerticalSpeed = variables.verticalSpeed;
    else if (wasAirborne)
      variables.touchdownVerticalSpeed = airborneVerticalSpeed;
    wasAirborne = !variables.onGround;
  }

  std::unique_ptr<SimVariableSource> source;
  bool connected = false;
  std::vector<unsigned char> block;
  SimVariables variables;
  SimOffsetImage image;
  double airborneVerticalSpeed = 0;
  bool wasAirborne = false;
};

}  // namespace

std::unique_ptr<SimTransport> MakeVariableSimTransport(std::unique_ptr<SimVariableSource> source) {
  return std::make_unique<VariableSimTransport>(std::move(source));
}

}  // namespace kestrix
