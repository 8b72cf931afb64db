// The simulated Logger32's --hang-after-first: it blocks inside the first sent message, so that
// the sender's call times out, and then carries on as usual.
#include <gtest/gtest.h>

#include <chrono>
#include <string>

#include "dde_support.h"
#include "harness.h"
#include "logger_driver.h"

using namespace std::chrono_literals;

namespace {

bool Logged(const logger_test::LoggerDriver& sim, const std::string& text) {
  return !ddetest::LinesWith(sim.LogLines(), text).empty();
}

}  // namespace

TEST(LoggerSimHang, FirstSentMessageHangsThenTheHandshakeGoesOn) {
  harness::Job job;
  logger_test::LoggerDriver sim(job, harness::TestDir(), "--hang-after-first 2000");
  ASSERT_NE(sim.window(), nullptr);
  // Stands in for the bridge's window: the simulator posts its replies here.
  HWND replies = CreateWindowExA(0, "STATIC", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                 GetModuleHandleA(nullptr), nullptr);
  ASSERT_NE(replies, nullptr);
  const UINT name1 = RegisterWindowMessageA("Logger32 1");

  DWORD_PTR result = 0;
  auto sent = std::chrono::steady_clock::now();
  EXPECT_EQ(SendMessageTimeoutA(sim.window(), name1, 1,
                                static_cast<LPARAM>(reinterpret_cast<LONG_PTR>(replies)),
                                SMTO_NORMAL, 500, &result),
            0)
      << "the first message was answered at once";
  EXPECT_GE(harness::SecondsSince(sent), 0.45);
  EXPECT_TRUE(Logged(sim, "info hang 2000 ms"));

  // After the hang the request is answered as usual, and later messages are not held. The
  // reply is taken by its own filter only: harness::WaitUntil dispatches whatever else is
  // queued between its checks, and a reply posted in that gap would be lost to the window.
  MSG reply{};
  bool replied = false;
  for (auto end = std::chrono::steady_clock::now() + 15s;
       !replied && std::chrono::steady_clock::now() < end; Sleep(20)) {
    replied = PeekMessageA(&reply, replies, name1, name1, PM_REMOVE) != FALSE;
  }
  ASSERT_TRUE(replied);
  EXPECT_TRUE(Logged(sim, "info hang over"));
  EXPECT_EQ(reply.wParam, 0u);
  EXPECT_EQ(reply.lParam, 1);
  sent = std::chrono::steady_clock::now();
  EXPECT_NE(SendMessageTimeoutA(sim.window(), name1, 2, 0, SMTO_NORMAL, 5000, &result), 0);
  EXPECT_LT(harness::SecondsSince(sent), 1.0);
  EXPECT_EQ(sim.ReceivedCodes(), "1:1 1:2");
  DestroyWindow(replies);
}
