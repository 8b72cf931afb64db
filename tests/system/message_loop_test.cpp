// The application's message loop as the DDE layer relies on it: the filter sees each message
// first, the window procedure next, and the OnDispatched hook only after the window has
// handled a message the filter let through; a message the filter handled is never
// dispatched, so the hook does not hear of it.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "bridge/base/application_win.h"

namespace {

std::vector<std::string>* g_events = nullptr;

LRESULT CALLBACK RecordingProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (g_events && msg >= WM_APP) g_events->push_back("window " + std::to_string(msg - WM_APP));
  return DefWindowProcA(hwnd, msg, wp, lp);
}

class MessageLoop : public ::testing::Test {
 protected:
  MessageLoop() {
    g_events = &events_;
    WNDCLASSA wc{};
    wc.lpfnWndProc = RecordingProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "VexalMessageLoopTest";
    RegisterClassA(&wc);
    window_ = CreateWindowExA(0, wc.lpszClassName, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                              wc.hInstance, nullptr);
  }
  ~MessageLoop() override {
    DestroyWindow(window_);
    g_events = nullptr;
  }

  // Takes every message queued for the window through the loop's own treatment.
  void RunQueued() {
    MSG msg;
    while (PeekMessageA(&msg, window_, 0, 0, PM_REMOVE)) app_.ProcessMessage(msg);
  }

  vexal::Application app_;
  HWND window_ = nullptr;
  std::vector<std::string> events_;
};

TEST_F(MessageLoop, HookHearsOfDispatchedMessagesAfterTheWindowAndNotOfHandledOnes) {
  ASSERT_NE(window_, nullptr);
  app_.SetOnMessage([this](const MSG& msg, bool& handled) {
    events_.push_back("filter " + std::to_string(msg.message - WM_APP));
    handled = msg.message == WM_APP + 2;
  });
  app_.SetOnDispatched(
      [this](const MSG& msg) { events_.push_back("hook " + std::to_string(msg.message - WM_APP)); });
  for (UINT n : {1u, 2u, 3u}) ASSERT_TRUE(PostMessageA(window_, WM_APP + n, 0, 0));
  RunQueued();
  EXPECT_EQ(events_, (std::vector<std::string>{"filter 1", "window 1", "hook 1", "filter 2",
                                                "filter 3", "window 3", "hook 3"}));
}

TEST_F(MessageLoop, HookStaysWhenTheFilterIsDetached) {
  ASSERT_NE(window_, nullptr);
  app_.SetOnDispatched(
      [this](const MSG& msg) { events_.push_back("hook " + std::to_string(msg.message - WM_APP)); });
  app_.SetOnMessage([](const MSG&, bool& handled) { handled = true; });
  // After the rotator link has ended the filter is gone for good; the DDE layer still needs
  // to hear of every terminate.
  app_.ClearOnMessage();
  app_.SetOnMessage([](const MSG&, bool& handled) { handled = true; });
  ASSERT_TRUE(PostMessageA(window_, WM_APP + 4, 0, 0));
  RunQueued();
  EXPECT_EQ(events_, (std::vector<std::string>{"window 4", "hook 4"}));
}

}  // namespace
