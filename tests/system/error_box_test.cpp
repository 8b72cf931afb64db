// The bridge's error box as the operator and the rotator server see it: a server that keeps
// sending malformed status macros gets every one answered at once, while the operator sees one
// box at a time, with repeated reports folded, the next one as soon as the last is closed with
// the mouse or the keyboard; the box quotes a partner's text only in part,
// and no DDE client can open a conversation on a box's caption.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <thread>

#include "bridge_support.h"
#include "controls_input.h"
#include "mends_support.h"
#include "bridge/window/widget_ids.h"

using namespace std::chrono_literals;
using namespace mends;
using vexal::kIdEditAzimut;
using vexal::kIdIstAzimut;

namespace {

const std::wstring kNotInteger = L"' ist kein g\u00fcltiger Integerwert";

HWND ImeWindowOf(DWORD thread) {
  HWND ime = nullptr;
  EnumThreadWindows(
      thread,
      [](HWND hwnd, LPARAM lp) -> BOOL {
        char cls[16] = "";
        GetClassNameA(hwnd, cls, sizeof cls);
        if (std::string(cls) != "IME") return TRUE;
        *reinterpret_cast<HWND*>(lp) = hwnd;
        return FALSE;
      },
      reinterpret_cast<LPARAM>(&ime));
  return ime;
}

class ErrorBox : public bridgetest::BridgeTest {
 protected:
  void SetUp() override {
    BridgeTest::SetUp();
    StartRotatorServer();
    StartLogger();
    StartBridge();
    ASSERT_TRUE(WaitReceived(1, 10s)) << "no greeting";
    client_ = std::make_unique<BridgeClient>();
    ASSERT_TRUE(client_->Connected());
  }

  DWORD BridgePid() { return bridge_->process().pid(); }

  struct Flood {
    int not_processed = 0;
    DWORD slowest_ms = 0;
    size_t most_boxes = 0;
  };

  // Malformed macros at 10 a second, "x" and "y" in turn as line 1, with the bridge's boxes
  // counted after each answer.
  Flood MalformedFlood(int count) {
    Flood flood;
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < count; ++i) {
      std::this_thread::sleep_until(start + i * 100ms);
      DWORD took = 0;
      flood.not_processed +=
          client_->Execute(StatusText(i % 2 ? "y" : "x"), &took) == Answer::NotProcessed;
      flood.slowest_ms = std::max(flood.slowest_ms, took);
      flood.most_boxes = std::max(flood.most_boxes, Boxes(BridgePid()).size());
    }
    return flood;
  }

  // The one box of the bridge shows `text`; the operator clicks OK.
  void ExpectBoxAndClose(const std::wstring& text) {
    HWND box = WaitForOneBox(BridgePid(), 10s);
    ASSERT_NE(box, nullptr) << "not exactly one box";
    EXPECT_EQ(BoxCaption(box), L"Logger32vexal");
    EXPECT_EQ(BoxText(box), text);
    ASSERT_TRUE(CloseBox(box));
  }

  // Enter, as the operator presses it: a real keystroke to the box in front, through the X
  // server or through SendInput, and no other message to the bridge.
  static void PressEnter(HWND box, bool through_x) {
    ASSERT_TRUE(controls::BringToFront(box, 5s));
    if (through_x) {
      // Without a window manager the X server gives keys to the window under the pointer.
      ASSERT_TRUE(controls::MoveTo(controls::CentreOf(box)));
      ASSERT_TRUE(controls::StrokeThroughX("Return"));
    } else {
      controls::Stroke(VK_RETURN);
    }
  }

  // The box has been painted: most of its pixels are its face colour, not an empty surface.
  static bool Drawn(HWND box) {
    logger_test::Picture picture = logger_test::CaptureWindow(box);
    if (picture.pixels.empty()) return false;
    const uint32_t face = logger_test::FromColorref(GetSysColor(COLOR_BTNFACE));
    std::size_t on_face = 0;
    for (uint32_t px : picture.pixels) on_face += px == face;
    return on_face * 2 > picture.pixels.size();
  }

  std::unique_ptr<BridgeClient> client_;
};

TEST_F(ErrorBox, FloodOfMalformedMacrosOpensOneBoxAtATimeAndEveryMacroIsAnswered) {
  ASSERT_EQ(client_->Execute(StatusText(1000)), Answer::Ack);
  ASSERT_TRUE(WaitText(kIdIstAzimut, "100", 5s));
  ASSERT_TRUE(logger_->Command("turn 45"));
  ASSERT_TRUE(WaitText(kIdEditAzimut, "45", 5s));

  // An answer that waited for the open box would come only when the operator closes it, long
  // after the client's 10 s: every macro answered means none waited. How fast is the
  // benchmarks' business; the figure is printed.
  Flood flood = MalformedFlood(100);  // ten seconds
  EXPECT_EQ(flood.not_processed, 100);
  EXPECT_EQ(flood.most_boxes, 1u);
  RecordProperty("slowest_answer_ms", static_cast<int>(flood.slowest_ms));
  std::printf("flood: slowest answer %lu ms\n", static_cast<unsigned long>(flood.slowest_ms));

  // With the box still open, good macros are acknowledged, shown and send the waiting target.
  ASSERT_EQ(Boxes(BridgePid()).size(), 1u);
  EXPECT_EQ(client_->Execute(StatusText(1234)), Answer::Ack);
  EXPECT_TRUE(WaitText(kIdIstAzimut, "123", 5s));
  ASSERT_TRUE(WaitReceived(2, 5s));
  EXPECT_EQ(Received()[1], bridgetest::CommandHex("450"));
  EXPECT_EQ(client_->Execute(StatusText(2345)), Answer::Ack);
  EXPECT_TRUE(WaitText(kIdIstAzimut, "235", 5s));

  // The operator clicks the boxes away: the first as it came, then each other text once.
  ExpectBoxAndClose(L"'x" + kNotInteger);
  ExpectBoxAndClose(L"'y" + kNotInteger + L"\n(50 times)");
  ExpectBoxAndClose(L"'x" + kNotInteger + L"\n(49 times)");
  // Nothing else waited: the next box is a new report's.
  EXPECT_EQ(client_->Execute(StatusText("z")), Answer::NotProcessed);
  ExpectBoxAndClose(L"'z" + kNotInteger);

  // After the boxes the window still shows the last good macro, and follows the next one.
  EXPECT_EQ(Text(kIdIstAzimut), "235");
  EXPECT_EQ(client_->Execute(StatusText(3456)), Answer::Ack);
  EXPECT_TRUE(WaitText(kIdIstAzimut, "346", 5s));
  EXPECT_EQ(Received().size(), 2u) << "the target went out once";
}

TEST_F(ErrorBox, HugeLineIsQuotedByItsFirstSixtyFourCharacters) {
  std::string line(1000000, '7');
  line[0] = 'q';  // not an integer
  EXPECT_EQ(client_->Execute(StatusText(line)), Answer::NotProcessed);
  ExpectBoxAndClose(L"'q" + std::wstring(63, L'7') + L"\u2026" + kNotInteger);

  // Sixty-four characters are quoted whole; the umlaut arrives as Windows-1252.
  EXPECT_EQ(client_->Execute(StatusText("\xFC" + std::string(63, '1'))), Answer::NotProcessed);
  ExpectBoxAndClose(L"'\u00fc" + std::wstring(63, L'1') + kNotInteger);
}

// Topics are the component "AntDaten" and the captions of the program's forms, nothing else.
TEST_F(ErrorBox, ClientCannotNameAnErrorBoxOrTheImeWindowAsTopic) {
  EXPECT_EQ(client_->Execute(StatusText("x")), Answer::NotProcessed);
  HWND box = WaitForOneBox(BridgePid(), 5s);
  ASSERT_NE(box, nullptr);
  ASSERT_EQ(BoxCaption(box), L"Logger32vexal");
  EXPECT_FALSE(BridgeClient("Logger32vexal").Connected()) << "error box taken as a topic";
  EXPECT_TRUE(BridgeClient("Logger32-Vexal").Connected()) << "main window refused";

  // The input method's window that the system keeps for the bridge's thread.
  HWND ime = ImeWindowOf(GetWindowThreadProcessId(window_, nullptr));
  ASSERT_NE(ime, nullptr) << "the bridge's thread has no IME window to name";
  std::string ime_caption = harness::WindowText(ime);
  ASSERT_FALSE(ime_caption.empty());
  EXPECT_FALSE(BridgeClient(ime_caption).Connected()) << "IME window taken as a topic";
  ASSERT_TRUE(CloseBox(box));
}

// A flood of identical reports and one other wait behind the first box; each box is closed with
// Enter, the first through the X server. Nothing reaches the bridge in between, so each next
// box must come from the bridge itself.
TEST_F(ErrorBox, WaitingReportsFollowEachOtherWhenBoxesAreClosedWithEnter) {
  for (int i = 0; i < 120; ++i)
    ASSERT_EQ(client_->Execute(StatusText("x")), Answer::NotProcessed) << "macro " << i;
  EXPECT_EQ(client_->Execute(StatusText("y")), Answer::NotProcessed);
  HWND box = WaitForOneBox(BridgePid(), 5s);
  ASSERT_NE(box, nullptr);
  ASSERT_EQ(BoxText(box), L"'x" + kNotInteger);
  bool through_x = true;
  for (const std::wstring& next : {L"'x" + kNotInteger + L"\n(119 times)", L"'y" + kNotInteger}) {
    PressEnter(box, through_x);
    through_x = false;
    ASSERT_TRUE(harness::WaitUntil([&] { return !IsWindow(box); }, 5s)) << "Enter did not close";
    box = WaitForOneBox(BridgePid(), 10s);
    ASSERT_NE(box, nullptr) << "the waiting report's box did not open after Enter";
    EXPECT_EQ(BoxText(box), next);
    EXPECT_TRUE(harness::WaitUntil([&] { return Drawn(box); }, 5s)) << "the box is not drawn";
  }
  PressEnter(box, false);
  ASSERT_TRUE(harness::WaitUntil([&] { return !IsWindow(box); }, 5s));
  // Nothing else waited: the next box is a new report's.
  EXPECT_EQ(client_->Execute(StatusText("w")), Answer::NotProcessed);
  ExpectBoxAndClose(L"'w" + kNotInteger);
}

}  // namespace
