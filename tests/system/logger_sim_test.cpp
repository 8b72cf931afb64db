// The simulated Logger32 on its own: this test program plays the bridge, sends the handshake
// codes itself and looks at what the simulator posts back and logs.
#include <gtest/gtest.h>

#include <algorithm>

#include <string>
#include <vector>

#include "harness.h"
#include "logger_driver.h"
#include "winui/window_state_win.h"

using namespace harness;
using namespace logger_test;
using namespace std::chrono_literals;

namespace {

// A hidden window of this process standing in for the bridge's main window.
class FakeBridge {
 public:
  FakeBridge() {
    for (int k = 1; k <= 5; ++k)
      ids_[k - 1] = RegisterWindowMessageA(("Logger32 " + std::to_string(k)).c_str());
    WNDCLASSA wc{};
    wc.lpfnWndProc = Proc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "FakeBridgeForSimTests";
    RegisterClassA(&wc);
    hwnd_ = CreateWindowExA(0, wc.lpszClassName, "fake bridge", WS_OVERLAPPED, 0, 0, 10, 10,
                            nullptr, nullptr, wc.hInstance, this);
  }
  ~FakeBridge() { DestroyWindow(hwnd_); }

  HWND hwnd() const { return hwnd_; }

  void Send(const LoggerDriver& sim, int name, long wparam, long lparam) {
    DWORD_PTR result;
    ASSERT_TRUE(SendMessageTimeoutA(sim.window(), ids_[name - 1], wparam, lparam, SMTO_ABORTIFHUNG,
                                    10000, &result));
  }
  void Request(const LoggerDriver& sim, int name) {
    Send(sim, name, 1, static_cast<long>(reinterpret_cast<LONG_PTR>(hwnd_)));
  }

  // Posted Logger32 messages taken from the queue, as "K:W,L"; a reply that the simulator posts
  // while handling a sent code is queued before the send returns.
  std::vector<std::string> TakePosted() {
    std::vector<std::string> taken;
    MSG msg;
    while (PeekMessageA(&msg, hwnd_, 0, 0, PM_REMOVE)) {
      if (int k = NameOf(msg.message)) taken.push_back(Format(k, msg.wParam, msg.lParam));
    }
    return taken;
  }
  // Waits without dispatching: a posted message dispatched to Proc would count as sent to us.
  std::vector<std::string> WaitPosted(size_t count, Millis timeout) {
    std::vector<std::string> all;
    const ULONGLONG deadline = GetTickCount64() + static_cast<ULONGLONG>(timeout.count());
    for (;;) {
      for (auto& p : TakePosted()) all.push_back(p);
      const ULONGLONG now = GetTickCount64();
      if (all.size() >= count || now >= deadline) return all;
      MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(deadline - now),
                                QS_POSTMESSAGE | QS_SENDMESSAGE);
    }
  }
  const std::vector<std::string>& sent_to_us() const { return sent_; }

 private:
  int NameOf(UINT message) const {
    for (int k = 1; k <= 5; ++k)
      if (ids_[k - 1] == message) return k;
    return 0;
  }
  static std::string Format(int k, WPARAM w, LPARAM l) {
    return std::to_string(k) + ":" + std::to_string(static_cast<int>(w)) + "," +
           std::to_string(static_cast<int>(l));
  }
  static LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    auto* self = winui::WindowState<FakeBridge>(hwnd, msg, lp);
    if (self) {
      if (int k = self->NameOf(msg)) {
        self->sent_.push_back(Format(k, wp, lp));
        return 0;
      }
    }
    return DefWindowProcA(hwnd, msg, wp, lp);
  }

  UINT ids_[5] = {};
  HWND hwnd_ = nullptr;
  std::vector<std::string> sent_;
};

using Posts = std::vector<std::string>;

}  // namespace

TEST(LoggerSim, AnswersTheHandshakeByDefaultAndLogsEveryCode) {
  Job job;
  LoggerDriver sim(job, TestDir());
  ASSERT_NE(sim.window(), nullptr);
  FakeBridge bridge;

  bridge.Request(sim, 1);
  EXPECT_EQ(bridge.TakePosted(), Posts({"1:0,1"}));
  bridge.Send(sim, 1, 2, 0);
  EXPECT_EQ(bridge.TakePosted(), Posts{});
  bridge.Send(sim, 1, 3, 0);
  EXPECT_EQ(bridge.TakePosted(), Posts({"1:3,0", "1:100,0"}));
  bridge.Send(sim, 1, 4, 0);
  EXPECT_EQ(bridge.TakePosted(), Posts{});

  std::vector<SimEvent> events = sim.Events();
  EXPECT_EQ(Codes(events, "recv"), "1:1 1:2 1:3 1:4");
  EXPECT_EQ(Codes(events, "post"), "1:0 1:3 1:100");
  ASSERT_FALSE(events.empty());
  EXPECT_EQ(events[0].lparam, static_cast<long>(reinterpret_cast<LONG_PTR>(bridge.hwnd())));
  bool release_noted = false;
  for (const std::string& line : sim.LogLines())
    release_noted |= line.find("info release on \"Logger32 1\"") != std::string::npos;
  EXPECT_TRUE(release_noted);
}

TEST(LoggerSim, RefusedNamesFirstReplyAndReplyPhaseFollowTheOptions) {
  Job job;
  LoggerDriver sim(job, TestDir(), "--refuse 1,2 --first-reply 5,-6 --reply-phase 7,7,7");
  FakeBridge bridge;
  bridge.Request(sim, 1);
  bridge.Request(sim, 2);
  bridge.Request(sim, 3);
  EXPECT_EQ(bridge.TakePosted(), Posts({"1:0,0", "2:0,0", "3:5,-6"}));
  bridge.Send(sim, 3, 2, 0);
  bridge.Send(sim, 3, 3, 0);
  EXPECT_EQ(bridge.TakePosted(), Posts({"3:7,0", "3:7,0", "3:7,0"}));
}

TEST(LoggerSim, HundredFirstAnswersOnlyTheFirstCodeTwos) {
  Job job;
  LoggerDriver sim(job, TestDir(), "--hundred-first 2");
  FakeBridge bridge;
  bridge.Request(sim, 1);
  bridge.TakePosted();
  for (int i = 0; i < 3; ++i) bridge.Send(sim, 1, 2, 0);
  EXPECT_EQ(bridge.TakePosted(), Posts({"1:100,0", "1:100,0"}));
}

TEST(LoggerSim, SilentPartnerPostsNothingButLogsAll) {
  Job job;
  LoggerDriver sim(job, TestDir(), "--silent --turn 10");
  FakeBridge bridge;
  bridge.Request(sim, 1);
  bridge.Send(sim, 1, 2, 0);
  bridge.Send(sim, 1, 3, 0);
  // A silent partner never completes the handshake, so its scheduled turn never fires either.
  EXPECT_EQ(bridge.WaitPosted(1, 500ms), Posts{});
  EXPECT_EQ(sim.ReceivedCodes(), "1:1 1:2 1:3");
}

TEST(LoggerSim, ScheduledTurnsFollowTheHandshakeInOrder) {
  Job job;
  LoggerDriver sim(job, TestDir(), "--turn 245 --turn 90@400 --turn -1@100");
  FakeBridge bridge;
  bridge.Request(sim, 2);
  bridge.Send(sim, 2, 2, 0);
  EXPECT_EQ(bridge.WaitPosted(2, 300ms), Posts({"2:0,1"}));  // no turn before code 3
  bridge.Send(sim, 2, 3, 0);
  EXPECT_EQ(bridge.WaitPosted(5, 10s),
            Posts({"2:3,0", "2:100,0", "2:101,245", "2:101,-1", "2:101,90"}));
  long answered = -1, last_turn = -1;
  for (const SimEvent& e : sim.Events()) {
    if (e.kind == "recv" && e.wparam == 3) answered = e.ms;
    if (e.kind == "post" && e.wparam == 101 && e.lparam == 90) last_turn = e.ms;
  }
  ASSERT_GE(answered, 0);
  EXPECT_GE(last_turn - answered, 380);
}

TEST(LoggerSim, CommandsPostSendAndClose) {
  Job job;
  LoggerDriver sim(job, TestDir());
  FakeBridge bridge;
  EXPECT_FALSE(sim.Command("turn 10")) << "no bridge has made itself known yet";
  bridge.Request(sim, 4);
  bridge.TakePosted();

  EXPECT_TRUE(sim.Command("turn 12"));
  EXPECT_TRUE(sim.Command("  post 3 -1 "));
  EXPECT_EQ(bridge.WaitPosted(2, 5s), Posts({"4:101,12", "4:3,-1"}));

  // A sent request reaches the window procedure directly and never the queue.
  EXPECT_TRUE(sim.Command("send 101 7"));
  EXPECT_EQ(bridge.sent_to_us(), Posts({"4:101,7"}));
  EXPECT_EQ(bridge.TakePosted(), Posts{});

  EXPECT_FALSE(sim.Command("turn"));
  EXPECT_FALSE(sim.Command("turn 1 2"));
  EXPECT_FALSE(sim.Command("post 3"));
  EXPECT_FALSE(sim.Command("rotate 5"));

  EXPECT_TRUE(sim.Command("close"));
  DWORD code = 99;
  EXPECT_TRUE(sim.process().WaitExit(10s, &code));
  // This stand-in opened "Logger32 4" without trying 1 to 3 first: a bridge that breaks the
  // handshake's order is reported in the exit status and the log.
  EXPECT_EQ(code, 3u);
  const auto lines = sim.LogLines();
  EXPECT_EQ(std::count_if(lines.begin(), lines.end(),
                          [](const std::string& line) {
                            return line.find("protocol violation: code 1 on \"Logger32 4\"") !=
                                   std::string::npos;
                          }),
            1);
}

TEST(LoggerSim, WindowCloseEndsTheProgramWithZero) {
  Job job;
  LoggerDriver sim(job, TestDir());
  ASSERT_NE(sim.window(), nullptr);
  PostMessageA(sim.window(), WM_CLOSE, 0, 0);
  DWORD code = 99;
  EXPECT_TRUE(sim.process().WaitExit(10s, &code));
  EXPECT_EQ(code, 0u);
}

TEST(LoggerSim, BadOptionsEndTheProgramWithTheUsageStatus) {
  Job job;
  for (const char* args : {"--refuse 6", "--refuse 1,,2", "--turn 5@x", "--turn 5@-1",
                           "--first-reply 1", "--hundred-first", "--bogus"}) {
    Child child(job, '"' + BinPath("logger32-sim.exe") + "\" --no-stdin " + args);
    DWORD code = 99;
    EXPECT_TRUE(child.WaitExit(10s, &code)) << args;
    EXPECT_EQ(code, 64u) << args;  // EX_USAGE
  }
  Child help(job, "\"" + BinPath("logger32-sim.exe") + "\" --help");
  DWORD code = 99;
  EXPECT_TRUE(help.WaitExit(10s, &code));
  EXPECT_EQ(code, 0u);
  EXPECT_EQ(FindTopWindow("Logger32", 0, false), nullptr) << "no option error leaves a window";
}
