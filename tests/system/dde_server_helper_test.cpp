// The DDE server of common/dde with its client: the answers a
// handler gives reach the client, a handler that throws leaves the server serving, names and
// topics are matched as set up, and a process holds one server at a time. The server runs on
// a thread of its own, as it does in a program of its own, so that this thread's synchronous
// transactions wait for a real partner.
#include <gtest/gtest.h>

#include <windows.h>
#include <dde.h>

#include <functional>
#include <mutex>
#include <stdexcept>
#include <string>
#include <vector>

#include "harness.h"
#include "dde/client_win.h"
#include "dde/server_win.h"
#include "rotserver/win/dde_link_win.h"

using namespace std::chrono_literals;

namespace {

using ddeml::Client;
using ddeml::ExecuteAnswer;
using ddeml::Server;

constexpr DWORD kWaitMs = 10000;
constexpr UINT kMsgRun = WM_APP + 1;

// Waits for `handle` while this thread serves the messages DDE sends it meanwhile.
bool WaitServing(HANDLE handle) {
  const ULONGLONG deadline = GetTickCount64() + kWaitMs;
  for (;;) {
    ULONGLONG now = GetTickCount64();
    if (now >= deadline) return false;
    DWORD got = MsgWaitForMultipleObjects(1, &handle, FALSE, static_cast<DWORD>(deadline - now),
                                          QS_ALLINPUT);
    if (got == WAIT_OBJECT_0) return true;
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
  }
}

class ServerThread {
 public:
  ServerThread(ddeml::ServerSetup setup, ddeml::ServerHandlers handlers)
      : setup_(std::move(setup)), handlers_(std::move(handlers)) {
    thread_ = CreateThread(nullptr, 0, &Main, this, 0, &thread_id_);
    if (thread_) WaitServing(done_);
  }
  ~ServerThread() {
    if (!thread_) return;
    PostThreadMessageA(thread_id_, WM_QUIT, 0, 0);
    WaitServing(thread_);
    CloseHandle(thread_);
    CloseHandle(done_);
  }
  ServerThread(const ServerThread&) = delete;
  ServerThread& operator=(const ServerThread&) = delete;

  bool started() const { return started_; }
  const std::string& error() const { return error_; }
  // Runs `call` on the server's thread and waits for it.
  bool Run(std::function<void(Server&)> call) {
    call_ = std::move(call);
    return PostThreadMessageA(thread_id_, kMsgRun, 0, 0) && WaitServing(done_);
  }

 private:
  static DWORD WINAPI Main(void* self) {
    static_cast<ServerThread*>(self)->Serve();
    return 0;
  }
  void Serve() {
    MSG msg;
    PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE);  // the queue, before anyone posts to it
    auto server = Server::Start(setup_, handlers_, &error_);
    started_ = server != nullptr;
    SetEvent(done_);
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
      if (msg.hwnd == nullptr && msg.message == kMsgRun) {
        if (server) call_(*server);
        SetEvent(done_);
        continue;
      }
      DispatchMessageA(&msg);
    }
  }

  ddeml::ServerSetup setup_;
  ddeml::ServerHandlers handlers_;
  std::function<void(Server&)> call_;
  std::string error_;
  bool started_ = false;
  HANDLE done_ = CreateEventA(nullptr, FALSE, FALSE, nullptr);
  HANDLE thread_ = nullptr;
  DWORD thread_id_ = 0;
};

// What the server's handlers saw, from the server's thread.
struct Seen {
  std::mutex mutex;
  std::vector<std::string> executes;
  std::vector<HCONV> connected;
  std::vector<HCONV> disconnected;
};

ddeml::ServerHandlers Recording(Seen& seen) {
  ddeml::ServerHandlers handlers;
  handlers.execute = [&seen](const ddeml::IncomingExecute& execute) {
    std::string bytes(execute.bytes);
    {
      std::lock_guard<std::mutex> lock(seen.mutex);
      seen.executes.push_back(bytes);
    }
    if (bytes == "busy") return ExecuteAnswer::kBusy;
    if (bytes == "no") return ExecuteAnswer::kNotProcessed;
    if (bytes == "throw") throw std::runtime_error("handler failed");
    return ExecuteAnswer::kAck;
  };
  handlers.connected = [&seen](HCONV conv) {
    std::lock_guard<std::mutex> lock(seen.mutex);
    seen.connected.push_back(conv);
  };
  handlers.disconnected = [&seen](HCONV conv) {
    std::lock_guard<std::mutex> lock(seen.mutex);
    seen.disconnected.push_back(conv);
  };
  return handlers;
}

}  // namespace

TEST(DdeServerHelper, HandlerAnswersReachTheClientAndAThrowingHandlerLeavesItServing) {
  Seen seen;
  ServerThread thread({"HelperSvc", "Cmd"}, Recording(seen));
  ASSERT_TRUE(thread.started()) << thread.error();
  Client client("HelperSvc", "cmd");  // topics match whatever the letter case
  ASSERT_TRUE(client.Connect());

  Client::Answer ack = client.Execute({"ok\0", 3}, kWaitMs);
  EXPECT_TRUE(ack.returned);
  EXPECT_EQ(ack.status & DDE_FACK, static_cast<DWORD>(DDE_FACK));
  // Windows reports DMLERR_BUSY; Wine takes every negative acknowledgement as "not processed"
  // and keeps the busy flag in the status word.
  Client::Answer busy = client.Execute("busy", kWaitMs);
  EXPECT_FALSE(busy.returned);
  EXPECT_EQ(busy.status & DDE_FBUSY, static_cast<DWORD>(DDE_FBUSY)) << std::hex << busy.status;
  EXPECT_EQ(client.Execute("no", kWaitMs).error, static_cast<UINT>(DMLERR_NOTPROCESSED));
  EXPECT_EQ(client.Execute("throw", kWaitMs).error, static_cast<UINT>(DMLERR_NOTPROCESSED));
  EXPECT_TRUE(client.Execute({"X\0Y", 3}, kWaitMs).returned) << "no longer serving";

  // Only executes are taken.
  Client::Reply request = client.Transact(XTYP_REQUEST, "Azimut", "", kWaitMs);
  EXPECT_FALSE(request.returned);
  EXPECT_EQ(request.error, static_cast<UINT>(DMLERR_NOTPROCESSED));
  Client::Reply poke = client.Transact(XTYP_POKE, "Azimut", {"1\0", 2}, kWaitMs);
  EXPECT_TRUE(!poke.returned || (poke.status & DDE_FACK) == 0) << "a poke was taken";
  EXPECT_FALSE(client.Transact(XTYP_ADVSTART, "Azimut", "", kWaitMs).returned);

  client.Disconnect();
  EXPECT_TRUE(harness::WaitUntil(
      [&] {
        std::lock_guard<std::mutex> lock(seen.mutex);
        return !seen.disconnected.empty();
      },
      10s));
  std::vector<std::string> expected = {{"ok\0", 3}, "busy", "no", "throw", {"X\0Y", 3}};
  std::lock_guard<std::mutex> lock(seen.mutex);
  EXPECT_EQ(seen.executes, expected);
  ASSERT_EQ(seen.connected.size(), 1u);
  EXPECT_EQ(seen.disconnected, seen.connected) << "notices name another conversation";
}

TEST(DdeServerHelper, ServerEndsOneConversationTheClientSeesItDownAndFailuresAreReported) {
  Seen seen;
  std::vector<std::string> failures;  // written on the server's thread inside a transaction
  ddeml::ServerHandlers handlers = Recording(seen);
  handlers.failed = [&failures](const char* what) { failures.push_back(what ? what : "?"); };
  ServerThread thread({"HelperEnd", "Cmd"}, handlers);
  ASSERT_TRUE(thread.started()) << thread.error();
  Client ended("HelperEnd", "Cmd");
  ASSERT_TRUE(ended.Connect());
  EXPECT_EQ(ended.Execute("throw", kWaitMs).error, static_cast<UINT>(DMLERR_NOTPROCESSED));
  EXPECT_EQ(failures, std::vector<std::string>{"handler failed"});
  Client kept("HelperEnd", "Cmd");
  ASSERT_TRUE(kept.Connect());
  HCONV server_side = nullptr;
  {
    std::lock_guard<std::mutex> lock(seen.mutex);
    ASSERT_EQ(seen.connected.size(), 2u);
    server_side = seen.connected[0];
  }

  bool ended_ok = false;
  ASSERT_TRUE(thread.Run([&](Server& s) {
    ended_ok = s.End(server_side);
    EXPECT_FALSE(s.End(nullptr));
  }));
  EXPECT_TRUE(ended_ok);
  // The client hears of it only through its conversation's status under Wine.
  EXPECT_TRUE(harness::WaitUntil([&] { return !ended.Up(); }, 10s)) << "still up after the end";
  EXPECT_FALSE(ended.ExecuteAsync({"late\0", 5}).queued);
  EXPECT_TRUE(kept.Up());
  EXPECT_TRUE(kept.Execute({"marker\0", 7}, kWaitMs).returned) << "the other one was ended too";
  std::lock_guard<std::mutex> lock(seen.mutex);
  EXPECT_EQ(seen.executes, (std::vector<std::string>{"throw", {"marker\0", 7}}));
}

TEST(DdeServerHelper, ServiceAndTopicsAreOfferedOnlyAsSetUp) {
  Seen seen;
  {
    ServerThread thread({"HelperLate", "Only", /*register_now=*/false}, Recording(seen));
    ASSERT_TRUE(thread.started()) << thread.error();
    EXPECT_FALSE(Client("HelperLate", "Only").Connect()) << "offered before Register()";
    ASSERT_TRUE(thread.Run([](Server& s) { EXPECT_TRUE(s.Register()); }));
    EXPECT_TRUE(Client("HelperLate", "Only").Connect());
    EXPECT_FALSE(Client("HelperLate", "Other").Connect()) << "a topic it does not serve";
    EXPECT_FALSE(Client(std::nullopt, "Only").Connect()) << "answered a wild connect";
    ASSERT_TRUE(thread.Run([](Server& s) { s.Withdraw(); }));
    EXPECT_FALSE(Client("HelperLate", "Only").Connect()) << "offered after Withdraw()";
  }
  {
    ServerThread every({"HelperAny", std::nullopt, true, /*answer_wild_connects=*/true},
                       Recording(seen));
    ASSERT_TRUE(every.started()) << every.error();
    EXPECT_TRUE(Client("HelperAny", "Whatever").Connect());
    Client wild(std::nullopt, "HelperWildTopic");
    ASSERT_TRUE(wild.Connect());
    EXPECT_EQ(wild.PartnerNames().service, "HelperAny");
    EXPECT_EQ(wild.PartnerNames().topic, "HelperWildTopic");
  }
  // Listed topics: the rows of the table, and names the program answers to (its windows),
  // which connect but take no executes.
  ddeml::ServerHandlers handlers = Recording(seen);
  handlers.named_topic = [](const std::string& topic) { return topic == "Window"; };
  ServerThread listed({"HelperListed", std::nullopt, true, false, /*listed_topics=*/true},
                      std::move(handlers));
  ASSERT_TRUE(listed.started()) << listed.error();
  Server::TopicId row = 0;
  ASSERT_TRUE(listed.Run([&row](Server& s) { row = s.AddTopic("Row", {}); }));
  EXPECT_FALSE(Client("HelperListed", "Other").Connect()) << "neither listed nor named";
  Client on_row("HelperListed", "ROW");
  ASSERT_TRUE(on_row.Connect());
  EXPECT_TRUE(on_row.Execute({"r\0", 2}, kWaitMs).returned);
  Client on_window("HelperListed", "Window");
  ASSERT_TRUE(on_window.Connect());
  EXPECT_EQ(on_window.Execute({"w\0", 2}, kWaitMs).error, static_cast<UINT>(DMLERR_NOTPROCESSED));
  ASSERT_TRUE(listed.Run([row](Server& s) { s.RemoveTopic(row); }));
  EXPECT_FALSE(Client("HelperListed", "Row").Connect()) << "offered after RemoveTopic()";
  EXPECT_EQ(on_row.Execute({"r\0", 2}, kWaitMs).error, static_cast<UINT>(DMLERR_NOTPROCESSED))
      << "a conversation on a removed topic still served";
  std::lock_guard<std::mutex> lock(seen.mutex);
  EXPECT_TRUE(seen.executes.empty()) << "the setup's handler took a listed topic's execute";
}

TEST(DdeServerHelper, OneServerPerProcessAndTheSlotIsFreedWithIt) {
  Seen seen;
  std::string error;
  {
    ServerThread first({"HelperOne", "T"}, Recording(seen));
    ASSERT_TRUE(first.started()) << first.error();
    EXPECT_FALSE(Server::Start({"HelperTwo", "T"}, {}, &error));
    EXPECT_NE(error.find("one per process"), std::string::npos) << error;
    EXPECT_TRUE(Client("HelperOne", "T").Connect()) << "the first one suffered";
  }
  auto again = Server::Start({"HelperTwo", "T"}, {}, &error);
  EXPECT_TRUE(again) << error;
  again.reset();
  EXPECT_FALSE(Server::Start({std::string(300, 'x'), "T"}, {}, &error));
  EXPECT_NE(error.find("DDE names"), std::string::npos) << error;
}

namespace {

// Handles this thread's messages until DDEML's client window has taken an acknowledgement.
bool AwaitAcknowledgement() {
  const ULONGLONG deadline = GetTickCount64() + kWaitMs;
  while (GetTickCount64() < deadline) {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
      DispatchMessageA(&msg);
      if (msg.message == WM_DDE_ACK) return true;
    }
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 100, QS_ALLINPUT);
  }
  return false;
}

int ProcessHeapBlocks() {
  HANDLE heap = GetProcessHeap();
  PROCESS_HEAP_ENTRY entry{};
  int busy = 0;
  HeapLock(heap);
  while (HeapWalk(heap, &entry))
    if (entry.wFlags & PROCESS_HEAP_ENTRY_BUSY) ++busy;
  HeapUnlock(heap);
  return busy;
}

int ThreadWindowCount() {
  int count = 0;
  EnumThreadWindows(
      GetCurrentThreadId(),
      [](HWND, LPARAM n) {
        ++*reinterpret_cast<int*>(n);
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&count));
  return count;
}

}  // namespace

// A program looking for an absent partner tries again and again from one client (RotServer
// looks for the bridge every second); each try must leave nothing behind, and a later
// conversation must still work.
TEST(DdeServerHelper, ConnectingToNobodyLeavesNoWindowBehind) {
  Client client("HelperNobody", "T");
  const int before = ThreadWindowCount();
  for (int i = 0; i < 25; ++i) ASSERT_FALSE(client.Connect());
  EXPECT_EQ(ThreadWindowCount(), before);

  Seen seen;
  ServerThread thread({"HelperNobody", "T"}, Recording(seen));
  ASSERT_TRUE(thread.started()) << thread.error();
  ASSERT_TRUE(client.Connect());
  EXPECT_TRUE(client.Execute({"after\0", 6}, kWaitMs).returned);
  EXPECT_FALSE(Client("HelperNobody", "Other").Connect());
  EXPECT_TRUE(client.Up()) << "a failed connect beside it ended the conversation";
  std::lock_guard<std::mutex> lock(seen.mutex);
  EXPECT_EQ(seen.executes, (std::vector<std::string>{{"after\0", 6}}));
}

// RotServer sends the bridge four status macros a second for as long as it runs, each
// acknowledged before the next: nothing of them may stay behind.
TEST(DdeServerHelper, AsynchronousExecutesLeaveNoAcknowledgementBehind) {
  constexpr int kSends = 200;
  Seen seen;
  seen.executes.reserve(kSends + 2);
  ServerThread thread({"HelperAcks", "T"}, Recording(seen));
  ASSERT_TRUE(thread.started()) << thread.error();
  Client client("HelperAcks", "T");
  ASSERT_TRUE(client.Connect());
  ASSERT_TRUE(client.ExecuteAsync("first").queued);  // DDEML's own first allocations
  ASSERT_TRUE(AwaitAcknowledgement());
  const int before = ProcessHeapBlocks();
  for (int i = 0; i < kSends; ++i) {
    ASSERT_TRUE(client.ExecuteAsync("status").queued) << i;
    ASSERT_TRUE(AwaitAcknowledgement()) << i;
  }
  const int kept = ProcessHeapBlocks() - before;
  EXPECT_LT(kept, kSends / 10) << "heap blocks kept by " << kSends << " executes";
  EXPECT_TRUE(client.Execute("marker", kWaitMs).returned) << "a waited-for execute after them";
  std::lock_guard<std::mutex> lock(seen.mutex);
  EXPECT_EQ(seen.executes.size(), static_cast<std::size_t>(kSends + 2));
}

// RotServer looks for the bridge every second while it is not linked. Under Wine every look
// that no server answers costs each DDE server in the session two heap blocks (seen here: 50
// blocks for 25 looks), so it looks only while a window of the bridge's class is there.
TEST(RotServerStatusLink, LooksForTheBridgeOnlyWhileItsWindowIsThere) {
  using Result = rotserver::StatusClient::Result;
  rotserver::StatusClient status("HelperBridge", "T", "HelperBridgeWindow");
  DWORD now = GetTickCount();
  {
    Seen beside_seen;
    ServerThread beside({"HelperBeside", "T"}, Recording(beside_seen));  // another program's
    ASSERT_TRUE(beside.started()) << beside.error();
    const int before = ProcessHeapBlocks();
    for (int i = 0; i < 25; ++i, now += 1000)
      ASSERT_EQ(status.Send({"x\0", 2}, now), Result::kNoBridge);
    EXPECT_LT(ProcessHeapBlocks() - before, 10) << "heap blocks kept by 25 looks";
  }
  Seen seen;
  ServerThread bridge({"HelperBridge", "T"}, Recording(seen));
  ASSERT_TRUE(bridge.started()) << bridge.error();
  ASSERT_EQ(status.Send({"x\0", 2}, now), Result::kNoBridge) << "looked without the window";
  WNDCLASSA wc{};
  wc.lpfnWndProc = DefWindowProcA;
  wc.hInstance = GetModuleHandleA(nullptr);
  wc.lpszClassName = "HelperBridgeWindow";
  ASSERT_TRUE(RegisterClassA(&wc));
  HWND window = CreateWindowExA(0, wc.lpszClassName, "", WS_OVERLAPPED, 0, 0, 10, 10, nullptr,
                                nullptr, wc.hInstance, nullptr);
  ASSERT_TRUE(window);
  EXPECT_EQ(status.Send({"found\0", 6}, now), Result::kSent);
  EXPECT_TRUE(harness::WaitUntil(
      [&] {
        std::lock_guard<std::mutex> lock(seen.mutex);
        return seen.executes == std::vector<std::string>{{"found\0", 6}};
      },
      10s));
  DestroyWindow(window);
}
