// The bridge starts the rotator server named by the registry value "Program" when it does not
// answer. A path with blanks, quoted or not, starts that program and never a decoy placed at
// C:\Program.exe, which Windows would try first for an unquoted "C:\Program Files\...". A
// quoted path may be followed by the server's own arguments.
#include <gtest/gtest.h>

#include "bridge_support.h"
#include "dde_support.h"
#include "harness.h"

using namespace std::chrono_literals;
using ddetest::Field;
using ddetest::LinesWith;

namespace {

const std::string kServerDir = "C:\\Program Files\\Vexal Test";
const std::string kServer = kServerDir + "\\RotSim.exe";
const std::string kShortDir = "C:\\X";
const std::string kShortServer = kShortDir + "\\Rot.exe";

class ProgramStart : public bridgetest::BridgeTest {
 protected:
  void SetUp() override {
    BridgeTest::SetUp();
    RemovePrograms();
    CreateDirectoryA(kServerDir.c_str(), nullptr);
    // Both are the simulated rotator server; each registers its own file name as service.
    ASSERT_TRUE(CopyFileA(ddetest::SimPath().c_str(), kServer.c_str(), FALSE));
    ASSERT_TRUE(CopyFileA(ddetest::SimPath().c_str(), harness::kDecoyProgram, FALSE));
    CreateDirectoryA(kShortDir.c_str(), nullptr);
    ASSERT_TRUE(CopyFileA(ddetest::SimPath().c_str(), kShortServer.c_str(), FALSE));
  }

  void TearDown() override {
    // Started by the bridge, so outside the test's job: ended by the pids they logged.
    ddetest::KillLoggedStarts(rotator_log_);
    BridgeTest::TearDown();
    RemovePrograms();
  }

  static void RemovePrograms() {
    DeleteFileA(harness::kDecoyProgram);
    DeleteFileA(kServer.c_str());
    RemoveDirectoryA(kServerDir.c_str());
    DeleteFileA(kShortServer.c_str());
    RemoveDirectoryA(kShortDir.c_str());
  }

  // The registry names the server; whichever program starts logs to the test's rotator log,
  // which it finds in the environment it inherits through the bridge.
  void StartWithProgramValue(const std::string& value) {
    harness::SetProgramValue(value);
    ASSERT_TRUE(SetEnvironmentVariableA("ROTATOR_SIM_LOG", rotator_log_.c_str()));
    StartLogger();
    StartBridge();
    SetEnvironmentVariableA("ROTATOR_SIM_LOG", nullptr);
  }

  // The right program started once, minimised, with the path quoted; it alone registered,
  // and it got the bridge's greeting.
  void ExpectTheServerStartedAndGreeted() {
    ASSERT_TRUE(WaitReceived(1, 15s)) << "no greeting reached a server";
    EXPECT_EQ(Received()[0], bridgetest::kGreetingHex);
    auto log = harness::ReadLines(rotator_log_);
    auto starts = LinesWith(log, " start pid=");
    ASSERT_EQ(starts.size(), 1u);
    EXPECT_EQ(starts[0].substr(starts[0].find(" cmdline=") + 9),
              "\"C:\\Program Files\\Vexal Test\\RotSim.exe\"");
    EXPECT_EQ(Field(starts[0], "show"), "7");
    auto registered = LinesWith(log, " registered ");
    ASSERT_EQ(registered.size(), 1u);
    EXPECT_EQ(Field(registered[0], "service"), "RotSim") << "the decoy ran";
  }
};

TEST_F(ProgramStart, QuotedPathWithBlanksStartsTheNamedProgram) {
  StartWithProgramValue("\"" + kServer + "\"");
  ExpectTheServerStartedAndGreeted();
}

TEST_F(ProgramStart, UnquotedPathWithBlanksIsQuotedBeforeItIsStarted) {
  StartWithProgramValue(kServer);
  ExpectTheServerStartedAndGreeted();
}

// The value docs/operating.md suggests: the service is named by the quoted path alone ("Rot"),
// and the arguments reach the server.
TEST_F(ProgramStart, QuotedPathWithArgumentsLinksToTheServerItStarts) {
  StartWithProgramValue("\"C:\\X\\Rot.exe\" /min");
  ASSERT_TRUE(WaitReceived(1, 15s)) << "the bridge never linked to the server it started";
  EXPECT_EQ(Received()[0], bridgetest::kGreetingHex);
  auto log = harness::ReadLines(rotator_log_);
  auto starts = LinesWith(log, " start pid=");
  ASSERT_EQ(starts.size(), 1u);
  EXPECT_EQ(starts[0].substr(starts[0].find(" cmdline=") + 9), "\"C:\\X\\Rot.exe\" /min");
  auto registered = LinesWith(log, " registered ");
  ASSERT_EQ(registered.size(), 1u);
  EXPECT_EQ(Field(registered[0], "service"), "Rot");
}

}  // namespace
