// Executes and connects that no rotator server sends: huge, binary, unterminated, and topic
// names longer than any real one. Each is answered as the macro rules say, nothing crashes,
// and the display is right afterwards.
#include <gtest/gtest.h>

#include "fault_support.h"
#include "bridge/window/widget_ids.h"

using namespace std::chrono_literals;
using namespace faulttest;
using namespace vexal;

class FaultInput : public FaultTest {
 protected:
  void SetUp() override {
    FaultTest::SetUp();
    StartLinked();
  }
  StressResult Payload(const std::string& args) { return Stress("payload " + args, 90s); }
  void Turn(int azimuth) {
    ASSERT_TRUE(logger_->Command("turn " + std::to_string(azimuth)));
    ASSERT_TRUE(WaitText(kIdEditAzimut, std::to_string(azimuth), 5s));
  }
};

TEST_F(FaultInput, OneMegabyteLineIsARefreshThatSendsThePendingTarget) {
  ExpectShowsStatus(1234, "123");
  Turn(45);
  StressResult r = Payload("--size 1000000");
  EXPECT_EQ(r.Value("result"), "ack");
  EXPECT_EQ(r.Number("bytes"), 1000001);
  EXPECT_EQ(Text(kIdIstAzimut), "123");
  ASSERT_TRUE(WaitReceived(2, 5s));
  EXPECT_EQ(Received()[1], bridgetest::CommandHex("450"));
  ExpectAlive();
}

TEST_F(FaultInput, HundredThousandLinesAreAStatusMacroWithIgnoredTail) {
  ExpectShowsStatus(500, "50");
  // "1230" and 99,999 lines "0": lines beyond the tenth are not read.
  StressResult r = Payload("--lines 100000");
  EXPECT_EQ(r.Value("result"), "ack");
  EXPECT_EQ(Text(kIdIstAzimut), "123");
  ExpectAlive();
  ExpectShowsStatus(600, "60");
}

TEST_F(FaultInput, BinaryBytesFailTheIntegerRuleAndLeaveTheDisplay) {
  ExpectShowsStatus(700, "70");
  // Bytes 1..255 over and over: line 1 is bytes 1 to 9, no integer.
  StressResult r = Payload("--binary 3000");
  EXPECT_EQ(r.Value("result"), "notprocessed");
  std::wstring box = bridgetest::TakeErrorBox(10s);
  EXPECT_EQ(box, std::wstring(L"'\x01\x02\x03\x04\x05\x06\x07\x08\t' ist kein g\u00fcltiger ") +
                     L"Integerwert");
  EXPECT_EQ(Text(kIdIstAzimut), "70");

  // High bytes on one line are a refresh; after a zero byte nothing is read at all.
  EXPECT_EQ(Payload("--head \\xFF\\xFE\\x80\\x81 --size 10").Value("result"), "ack");
  EXPECT_EQ(Payload("--head " + bridgetest::StatusMacro(800) + "\\0 --binary 3000").Value("result"),
            "ack");
  EXPECT_EQ(Text(kIdIstAzimut), "80");
  EXPECT_TRUE(bridgetest::TakeErrorBox(500ms).empty()) << "no second error";
  ExpectAlive();
}

TEST_F(FaultInput, ExecutesWithoutTerminatingZeroAreReadToTheirSize) {
  // Ten lines, the last without its break, and no zero byte after it.
  std::string macro = bridgetest::StatusMacro(2500, 1);
  macro.resize(macro.size() - 4);  // drop the final "\r\n" escapes
  EXPECT_EQ(Payload("--head " + macro + " --no-nul").Value("result"), "ack");
  EXPECT_EQ(Text(kIdIstAzimut), "250");
  // One byte alone, unterminated: a refresh.
  EXPECT_EQ(Payload("--head 7 --no-nul").Value("result"), "ack");
  EXPECT_EQ(Text(kIdIstAzimut), "250");
  ExpectAlive();
}

TEST_F(FaultInput, OverlongTopicsAreRefusedOrCannotBeNamed) {
  // "AntDaten" padded with blanks to the longest name DDE carries (255) is refused.
  StressResult longest = Stress("topic --length 255", 30s);
  EXPECT_EQ(longest.Value("connected"), "0");
  EXPECT_EQ(longest.Value("why"), "refused");
  // Beyond that DDE has no string handle for the name, so nothing reaches the bridge.
  for (int length : {4096, 5000}) {
    StressResult r = Stress("topic --length " + std::to_string(length), 30s);
    EXPECT_EQ(r.Value("connected"), "0") << length;
  }
  ExpectAlive();
  ExpectShowsStatus(3000, "300");
}
