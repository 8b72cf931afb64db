// The harness itself: the bridge starts under Wine and its window can be found and closed.
#include <gtest/gtest.h>

#include "harness.h"

using namespace harness;
using namespace std::chrono_literals;

TEST(Smoke, BridgeWindowComesUpAndCloses) {
  Job job;
  Child bridge(job, "\"" + BinPath("Logger32Vexal.exe") + "\"");
  HWND wnd = WaitForTopWindow("Logger32-Vexal", 20s, bridge.pid());
  ASSERT_NE(wnd, nullptr);
  PostMessageA(wnd, WM_CLOSE, 0, 0);
  DWORD code = 99;
  EXPECT_TRUE(bridge.WaitExit(10s, &code));
  EXPECT_EQ(code, 0u);
}
