#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "chat/chat_view.h"
#include "server/chat_requests.h"
#include "store/records.h"

namespace kestrix {

// What the engine and its worker share; the worker keeps it alive for as long
// as it runs, even past the engine.
struct ChatState;

// The name of the guard that keeps a second chat worker from starting.
inline constexpr const char* kChatWorkerGuardName = "CHAT5382686682";

// The chat apart from its window: users, the outgoing queue, the poll cycle
// on a worker thread and what the replies become. Shared state is locked;
// every wait goes through the clock seam.
class ChatEngine {
 public:
  explicit ChatEngine(ChatView& view);
  // Stops the worker, waiting at most 5000 ms for it.
  ~ChatEngine();
  ChatEngine(const ChatEngine&) = delete;
  ChatEngine& operator=(const ChatEngine&) = delete;

  // "chatRefreshTime" (bounded below) and "chatAdminPrefix".
  void LoadServerVariables(const ServerVariables& variables);
  // The chat users request; -1 without internet, else its result. Users who
  // stay known keep their presence; the caller refills the window's list.
  int FetchUsers();
  bool HasUsers() const;
  // Users in list order: online first (while the pilot is online), then by number.
  std::vector<ChatUser> SortedUsers() const;

  void GoOnline();
  void GoOffline();
  bool Online() const;

  // "Send": the checks, the echo and the queue.
  void Send(const std::string& text);
  // One poll: exchange, records, users, presence lines, alert. Skipped while
  // another poll (the worker's) is running.
  void PollOnce();
  // Starts the worker unless another one holds the guard; false then.
  bool StartWorker();
  // Asks the worker to end after its current pause.
  void RequestStop();

  std::string LastTimeStamp() const;
  int32_t RefreshIntervalMs() const;

 private:
  ChatView& view;
  std::shared_ptr<ChatState> state;
  std::thread worker;
};

}  // namespace kestrix
