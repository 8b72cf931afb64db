// The bridge's error box as the operator and the rotator server see it: a server that keeps
// sending malformed status macros gets every one answered at once, while the operator sees one
// box at a time, with repeated reports folded; the box quotes a partner's text only in part,
// and no DDE client can open a conversation on a box's caption.
#include <gtest/gtest.h>

#include <algorithm>
#include <thread>

#include "bridge_support.h"
#include "mends_support.h"
#include "window/widget_ids.h"

using namespace std::chrono_literals;
using namespace mends;
using vexal::kIdEditAzimut;
using vexal::kIdIstAzimut;

namespace {

const std::wstring kNotInteger = L"' ist kein g\u00fcltiger Integerwert";

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

  std::unique_ptr<BridgeClient> client_;
};

TEST_F(ErrorBox, FloodOfMalformedMacrosOpensOneBoxAtATimeAndEveryMacroIsAnswered) {
  ASSERT_EQ(client_->Execute(StatusText(1000)), Answer::Ack);
  ASSERT_TRUE(WaitText(kIdIstAzimut, "100", 5s));
  ASSERT_TRUE(logger_->Command("turn 45"));
  ASSERT_TRUE(WaitText(kIdEditAzimut, "45", 5s));

  // Ten malformed macros a second for ten seconds, "x" and "y" in turn as line 1.
  const auto start = std::chrono::steady_clock::now();
  size_t most_boxes = 0;
  DWORD slowest_ms = 0;
  int answered_not_processed = 0;
  for (int i = 0; i < 100; ++i) {
    std::this_thread::sleep_until(start + i * 100ms);
    DWORD took = 0;
    Answer answer = client_->Execute(StatusText(i % 2 ? "y" : "x"), &took);
    answered_not_processed += answer == Answer::NotProcessed;
    slowest_ms = std::max(slowest_ms, took);
    most_boxes = std::max(most_boxes, Boxes(BridgePid()).size());
  }
  EXPECT_EQ(answered_not_processed, 100);
  EXPECT_LT(slowest_ms, 1000u);
  EXPECT_EQ(most_boxes, 1u);

  // With the box still open, good macros are acknowledged, shown and send the waiting target.
  HWND box = WaitForOneBox(BridgePid(), 5s);
  ASSERT_NE(box, nullptr);
  DWORD took = 0;
  EXPECT_EQ(client_->Execute(StatusText(1234), &took), Answer::Ack);
  EXPECT_LT(took, 1000u);
  EXPECT_TRUE(WaitText(kIdIstAzimut, "123", 5s));
  ASSERT_TRUE(WaitReceived(2, 5s));
  EXPECT_EQ(Received()[1], bridgetest::CommandHex("450"));
  EXPECT_EQ(client_->Execute(StatusText(2345)), Answer::Ack);
  EXPECT_TRUE(WaitText(kIdIstAzimut, "235", 5s));

  // The operator clicks the boxes away: the first as it came, then each other text once.
  EXPECT_EQ(BoxCaption(box), L"Logger32vexal");
  EXPECT_EQ(BoxText(box), L"'x" + kNotInteger);
  ASSERT_TRUE(CloseBox(box));
  box = WaitForOneBox(BridgePid(), 5s);
  ASSERT_NE(box, nullptr);
  EXPECT_EQ(BoxText(box), L"'y" + kNotInteger + L"\n(50 times)");
  ASSERT_TRUE(CloseBox(box));
  box = WaitForOneBox(BridgePid(), 5s);
  ASSERT_NE(box, nullptr);
  EXPECT_EQ(BoxText(box), L"'x" + kNotInteger + L"\n(49 times)");
  ASSERT_TRUE(CloseBox(box));

  // Nothing else waited: the next box is a new report's.
  EXPECT_EQ(client_->Execute(StatusText("z")), Answer::NotProcessed);
  box = WaitForOneBox(BridgePid(), 5s);
  ASSERT_NE(box, nullptr);
  EXPECT_EQ(BoxText(box), L"'z" + kNotInteger);
  ASSERT_TRUE(CloseBox(box));

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
  HWND box = WaitForOneBox(BridgePid(), 10s);
  ASSERT_NE(box, nullptr);
  EXPECT_EQ(BoxText(box), L"'q" + std::wstring(63, L'7') + L"\u2026" + kNotInteger);
  ASSERT_TRUE(CloseBox(box));

  // Sixty-four characters are quoted whole; the umlauts arrive as Windows-1252.
  std::string exact = "\xFC" + std::string(63, '1');
  EXPECT_EQ(client_->Execute(StatusText(exact)), Answer::NotProcessed);
  box = WaitForOneBox(BridgePid(), 10s);
  ASSERT_NE(box, nullptr);
  EXPECT_EQ(BoxText(box), L"'\u00fc" + std::wstring(63, L'1') + kNotInteger);
  ASSERT_TRUE(CloseBox(box));
}

// Topics are the component "AntDaten" and the captions of the program's forms, nothing else.
TEST_F(ErrorBox, ClientCannotNameAnErrorBoxOrTheImeWindowAsTopic) {
  EXPECT_EQ(client_->Execute(StatusText("x")), Answer::NotProcessed);
  HWND box = WaitForOneBox(BridgePid(), 5s);
  ASSERT_NE(box, nullptr);
  ASSERT_EQ(BoxCaption(box), L"Logger32vexal");
  EXPECT_FALSE(BridgeClient("Logger32vexal").Connected()) << "error box taken as a topic";
  EXPECT_TRUE(BridgeClient("Logger32-Vexal").Connected()) << "main window refused";

  // The input method's window of the bridge's thread, when the system made one.
  DWORD thread = GetWindowThreadProcessId(window_, nullptr);
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
  ASSERT_NE(ime, nullptr) << "the bridge's thread has no IME window to name";
  std::string ime_caption = harness::WindowText(ime);
  ASSERT_FALSE(ime_caption.empty());
  EXPECT_FALSE(BridgeClient(ime_caption).Connected()) << "IME window taken as a topic";
  ASSERT_TRUE(CloseBox(box));
}

}  // namespace
