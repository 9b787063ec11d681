#include "chat/chat_engine.h"

#include <algorithm>
#include <atomic>
#include <charconv>
#include <chrono>
#include <condition_variable>
#include <limits>
#include <mutex>
#include <optional>
#include <set>

#include "chat/chat_reply.h"
#include "platform/clock.h"
#include "platform/internet_state.h"
#include "platform/named_lock.h"
#include "server/command_request.h"

namespace kestrix {

namespace {

constexpr int32_t kDefaultRefreshMs = 5000;
// An interval of 0 would poll the server without pause.
constexpr int32_t kMinRefreshMs = 1000;
// The pause is slept in slices this long, so a stop is seen quickly.
constexpr int64_t kPauseSliceMs = 100;
constexpr auto kWorkerStopWait = std::chrono::milliseconds(5000);

constexpr const char* kNoInternet = "Internet connection not found.\r\nPlease connect to the internet and try again.";
constexpr const char* kAskGoOnline = "You are not online.\r\nWould you like to go online and send this message?.";
constexpr const char* kUnconfirmed = "The server did not confirm this message: ";
constexpr std::string_view kPrivatePrefix = "@@PRIV";

struct ChatLine {
  std::string text;
  const char* kind;
};

// What one reply turns into for the window.
struct PollOutput {
  std::vector<ChatLine> beforeRefill;
  std::vector<ChatLine> afterRefill;
  bool alert = false;
};

std::optional<int32_t> WholeNumber(std::string_view text) {
  int32_t number = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), number);
  if (error != std::errc() || end != text.data() + text.size()) return std::nullopt;
  return number;
}

}  // namespace

struct ChatState {
  explicit ChatState(ChatView& view) : view(&view) {}

  std::mutex dataMutex;
  std::vector<ChatUser> users;
  std::vector<std::string> outgoing;
  std::string lastTimeStamp = "0";
  std::string adminPrefix;
  bool firstPoll = true;

  std::atomic<bool> online{false};
  std::atomic<bool> stop{false};
  std::atomic<int32_t> refreshMs{kDefaultRefreshMs};

  // Only one poll at a time, whichever thread runs it; a poll asked for while
  // another one runs is skipped, as the running one may be waiting for the UI
  // thread (a message box about a failed request).
  std::mutex pollMutex;

  // The worker reaches the window only through here; the engine's destructor
  // clears it, after which nothing of the worker touches the window again.
  std::mutex viewMutex;
  ChatView* view;

  std::mutex endMutex;
  std::condition_variable ended;
  bool finished = false;

  // Runs `action` on the window unless the engine has let it go.
  template <class Action>
  void WithView(Action action) {
    std::lock_guard lock(viewMutex);
    if (view) action(*view);
  }

  void DetachView() {
    std::lock_guard lock(viewMutex);
    view = nullptr;
  }

  void MarkFinished() {
    {
      std::lock_guard lock(endMutex);
      finished = true;
    }
    ended.notify_all();
  }

  bool WaitFinished() {
    std::unique_lock lock(endMutex);
    return ended.wait_for(lock, kWorkerStopWait, [this] { return finished; });
  }

  // Caller holds dataMutex.
  ChatUser* FindUser(std::optional<int32_t> number) {
    if (!number) return nullptr;
    auto found = std::find_if(users.begin(), users.end(), [&](const ChatUser& user) { return user.number == *number; });
    return found == users.end() ? nullptr : &*found;
  }
};

namespace {

ServerLink LinkOwnedByView(ChatState& state) {
  ServerLink link;
  state.WithView([&](ChatView& view) { link.owner = view.Handle(); });
  return link;
}

// The chat's own separators cannot travel inside a message: they would split
// it on the server, or let it pass for records in the other pilots' replies.
std::string WithoutSeparators(std::string text) {
  for (bool removed = true; removed;) {
    removed = false;
    for (std::string_view separator : {kChatFieldSeparator, kChatEntrySeparator}) {
      for (size_t at = text.find(separator); at != std::string::npos; at = text.find(separator, at)) {
        text.erase(at, separator.size());
        removed = true;
      }
    }
  }
  return text;
}

std::string EchoOf(const std::string& text, const std::string& adminPrefix) {
  const size_t colon = text.find(':');
  if (colon == std::string::npos) return text;
  if (text.starts_with(kPrivatePrefix)) {
    const size_t numberLength = colon - kPrivatePrefix.size();
    return "Private message sent to HV" + text.substr(kPrivatePrefix.size(), numberLength) + ": " + text.substr(colon + 1);
  }
  if (!adminPrefix.empty() && text.starts_with(adminPrefix)) return "Admin message posted: " + text.substr(colon + 1);
  return text;
}

// "private" and "message" values are the sender's number, ":" and the text.
// A sender not among the users is shown by number alone.
std::string SenderLine(ChatState& state, const std::string& value) {
  const size_t colon = value.find(':');
  if (colon == std::string::npos) return ": " + value;
  const std::string number = value.substr(0, colon);
  const ChatUser* sender = state.FindUser(WholeNumber(number));
  return number + (sender ? " " + sender->name : "") + ": " + value.substr(colon + 1);
}

std::optional<ChatLine> MessageLine(ChatState& state, const ChatRecord& record) {
  if (record.key == "admin") return ChatLine{record.value, ChatLineKind::Admin};
  if (record.key == "private")
    return ChatLine{"Private message from HV" + SenderLine(state, record.value), ChatLineKind::Private};
  if (record.key == "message") return ChatLine{"HV" + SenderLine(state, record.value), ChatLineKind::Received};
  return std::nullopt;
}

// Marks a user online; unless this is the first reply, a user who was not
// online before is announced. A repeated record for the same user is ignored.
void MarkOnline(ChatState& state, const std::string& value, std::set<int32_t>& previouslyOnline, PollOutput& output) {
  ChatUser* user = state.FindUser(WholeNumber(value));
  if (!user || user->online) return;
  const bool wasOnline = previouslyOnline.erase(user->number) > 0;
  if (!state.firstPoll && !wasOnline) output.beforeRefill.push_back({user->listLabel + " is online.", ChatLineKind::Notify});
  user->online = true;
}

PollOutput ApplyReply(ChatState& state, const std::vector<ChatRecord>& records) {
  std::lock_guard lock(state.dataMutex);
  std::set<int32_t> previouslyOnline;
  for (ChatUser& user : state.users) {
    if (user.online) previouslyOnline.insert(user.number);
    user.online = false;
  }
  PollOutput output;
  bool messageArrived = false;
  for (const ChatRecord& record : records) {
    if (record.key == "timestamp") {
      state.lastTimeStamp = record.value;
    } else if (record.key == "online") {
      MarkOnline(state, record.value, previouslyOnline, output);
    } else if (auto line = MessageLine(state, record)) {
      output.beforeRefill.push_back(std::move(*line));
      messageArrived = true;
    }
  }
  if (!state.firstPoll) {
    for (int32_t number : previouslyOnline)
      if (const ChatUser* user = state.FindUser(number))
        output.afterRefill.push_back({user->listLabel + " is offline.", ChatLineKind::Notify});
    output.alert = messageArrived;
  }
  state.firstPoll = false;
  return output;
}

void Show(ChatState& state, const PollOutput& output) {
  state.WithView([&](ChatView& view) {
    for (const ChatLine& line : output.beforeRefill) view.AppendLine(line.text, line.kind);
    view.RefillUsers();
    for (const ChatLine& line : output.afterRefill) view.AppendLine(line.text, line.kind);
    if (output.alert) view.AlertIfInBackground();
  });
}

// Taking the queue and building its block happen under one lock, so a message
// queued meanwhile either travels now or waits for the next poll.
std::vector<std::string> TakeOutgoing(ChatState& state, std::string& block, std::string& timeStamp) {
  std::lock_guard lock(state.dataMutex);
  std::vector<std::string> taken;
  taken.swap(state.outgoing);
  for (const std::string& text : taken)
    if (!text.empty()) block.append(text).append(kChatFieldSeparator);
  timeStamp = state.lastTimeStamp;
  return taken;
}

// Without a reply nobody can tell whether the server took the block (its reply
// may have been lost after it posted the messages), so the messages are not
// sent again, which could post them twice; the pilot is told instead.
void ReportUnconfirmed(ChatState& state, const std::vector<std::string>& taken) {
  if (taken.empty()) return;
  state.WithView([&](ChatView& view) {
    for (const std::string& text : taken) view.AppendLine(kUnconfirmed + text, ChatLineKind::Notify);
  });
}

void Poll(ChatState& state) {
  std::unique_lock poll(state.pollMutex, std::try_to_lock);
  if (!poll.owns_lock() || !IsInternetConnected() || !state.online) return;
  std::string block;
  std::string timeStamp;
  const std::vector<std::string> taken = TakeOutgoing(state, block, timeStamp);
  ServerLink link = LinkOwnedByView(state);
  std::string reply;
  if (ChatExchange(link, timeStamp, block, reply) <= 0) {
    ReportUnconfirmed(state, taken);
    return;
  }
  Show(state, ApplyReply(state, ParseChatReply(reply)));
}

void Pause(ChatState& state) {
  for (int64_t left = state.refreshMs; left > 0 && !state.stop; left -= kPauseSliceMs)
    SleepMs(std::min(left, kPauseSliceMs));
}

void RunWorker(std::shared_ptr<ChatState> state, std::unique_ptr<NamedLock> guard) {
  while (!state->stop) {
    Poll(*state);
    Pause(*state);
  }
  guard.reset();
  state->MarkFinished();
}

}  // namespace

ChatEngine::ChatEngine(ChatView& view) : view(view), state(std::make_shared<ChatState>(view)) {}

ChatEngine::~ChatEngine() {
  state->DetachView();
  state->stop = true;
  if (!worker.joinable()) return;
  // A worker stuck in a slow request keeps its own share of the state and
  // ends on its own once the request returns.
  if (state->WaitFinished())
    worker.join();
  else
    worker.detach();
}

void ChatEngine::LoadServerVariables(const ServerVariables& variables) {
  const long long refresh = LeadingDecimal(Variable(variables, "chatRefreshTime"));
  state->refreshMs = static_cast<int32_t>(
      std::clamp<long long>(refresh, kMinRefreshMs, std::numeric_limits<int32_t>::max()));
  std::lock_guard lock(state->dataMutex);
  state->adminPrefix = Variable(variables, "chatAdminPrefix");
}

int ChatEngine::FetchUsers() {
  if (!IsInternetConnected()) return -1;
  std::vector<ChatUser> fetched;
  {
    std::lock_guard lock(state->dataMutex);
    fetched = state->users;
  }
  ServerLink link{.owner = view.Handle()};
  const int result = FetchChatUsers(link, fetched);
  std::lock_guard lock(state->dataMutex);
  // A user who stays known keeps the online state of the latest poll, so the
  // next poll does not announce him again.
  for (ChatUser& user : fetched)
    if (const ChatUser* known = state->FindUser(user.number)) user.online = known->online;
  state->users = std::move(fetched);
  return result;
}

bool ChatEngine::HasUsers() const {
  std::lock_guard lock(state->dataMutex);
  return !state->users.empty();
}

std::vector<ChatUser> ChatEngine::SortedUsers() const {
  std::vector<ChatUser> users;
  {
    std::lock_guard lock(state->dataMutex);
    users = state->users;
  }
  const bool onlineFirst = state->online;
  std::stable_sort(users.begin(), users.end(), [onlineFirst](const ChatUser& a, const ChatUser& b) {
    if (onlineFirst && a.online != b.online) return a.online;
    return a.number < b.number;
  });
  return users;
}

void ChatEngine::GoOnline() {
  state->online = true;
  ServerLink link{.owner = view.Handle()};
  if (IsInternetConnected()) SendChatPresence(link, true);
}

void ChatEngine::GoOffline() {
  state->online = false;
  ServerLink link{.owner = view.Handle()};
  if (IsInternetConnected()) SendChatPresence(link, false);
}

bool ChatEngine::Online() const { return state->online; }

void ChatEngine::Send(const std::string& typed) {
  const std::string text = WithoutSeparators(typed);
  if (text.empty()) return;
  if (!IsInternetConnected()) {
    ShowMessageBox(view.Handle(), kNoInternet, kProgramCaption, MessageKind::Information);
    return;
  }
  if (!Online()) {
    if (ShowMessageBox(view.Handle(), kAskGoOnline, kProgramCaption, MessageKind::Question) != MessageResult::Yes)
      return;
    view.SetOnlineButtonText("Online");
    GoOnline();
  }
  std::string echo;
  {
    std::lock_guard lock(state->dataMutex);
    echo = EchoOf(text, state->adminPrefix);
  }
  view.AppendLine(echo, ChatLineKind::OwnEcho);
  std::lock_guard lock(state->dataMutex);
  state->outgoing.push_back(text);
}

void ChatEngine::PollOnce() { Poll(*state); }

bool ChatEngine::StartWorker() {
  if (worker.joinable()) return false;
  auto guard = std::make_unique<NamedLock>(kChatWorkerGuardName);
  if (!guard->TryAcquire()) return false;
  worker = std::thread(RunWorker, state, std::move(guard));
  return true;
}

void ChatEngine::RequestStop() { state->stop = true; }

std::string ChatEngine::LastTimeStamp() const {
  std::lock_guard lock(state->dataMutex);
  return state->lastTimeStamp;
}

int32_t ChatEngine::RefreshIntervalMs() const { return state->refreshMs; }

}  // namespace kestrix
