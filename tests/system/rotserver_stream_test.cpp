// RotServer.exe against a program at rotctld's address that sends as fast as it can: report
// lines nobody asked for, or bytes without a line end. RotServer must stay an answering window
// and DDE server, end the link with the reason in its log, keep its log from flooding, and
// close when asked. This process plays the bridge's DDE side.
#include <gtest/gtest.h>

#include <cstdlib>

#include "rotserver/win/main_window_win.h"
#include "rotserver_support.h"

using namespace std::chrono_literals;
using harness::WaitUntil;

namespace {

class RotServerStream : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = harness::TestDir();
    stand_in_ = std::make_unique<rstest::StandInRotctld>(dir_);
    ASSERT_NE(stand_in_->port(), 0u) << "the stand-in for rotctld did not start (python3?)";
    harness::DeleteVexalKey();
  }
  void TearDown() override {
    job_.KillAll();
    harness::DeleteVexalKey();
  }

  void Start(const std::string& stream) {
    ASSERT_TRUE(stand_in_->Set("stream=" + stream + " az=42"));
    rstest::StoreSettings(rstest::RotctldSettings(stand_in_->Address()));
    server_ = std::make_unique<rstest::RotServer>(job_, dir_ + "\\rotserver.log");
  }

  // Whether RotServer's window thread answers a message within 2 s: a frozen one does not.
  bool Answers() const {
    DWORD_PTR result = 0;
    return SendMessageTimeoutA(server_->window(), WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 2000,
                               &result) != 0;
  }

  // While the stand-in streams on `connections` fresh connections, RotServer answers, and its
  // status macros keep coming to the bridge (without a reading: the off mark).
  void ExpectAliveThrough(int connections) {
    for (int seen = stand_in_->Connections(); seen < connections; seen = stand_in_->Connections()) {
      std::size_t macros = bridge_.macros().size();
      ASSERT_TRUE(Answers()) << "RotServer froze on connection " << seen;
      ASSERT_TRUE(WaitUntil([&] { return bridge_.macros().size() >= macros + 3; }, 10s))
          << "status macros stopped on connection " << seen;
      EXPECT_EQ(bridge_.macros().back().at(0), "-100000");
      ASSERT_TRUE(WaitUntil([&] { return stand_in_->Connections() > seen; }, 20s));
    }
  }

  harness::Job job_;
  std::string dir_;
  std::unique_ptr<rstest::StandInRotctld> stand_in_;
  rstest::FakeBridge bridge_;
  std::unique_ptr<rstest::RotServer> server_;
};

}  // namespace

TEST_F(RotServerStream, ReportLinesNobodyAskedForEndTheLinkAndTheWindowAnswers) {
  Start("rprt");
  ASSERT_TRUE(server_->WaitLog(
      "rotctld link dropped by RotServer: protocol fault: a reply with no command pending: "
      "\"RPRT 0\\n\"",
      20s));
  ExpectAliveThrough(3);
  EXPECT_TRUE(WaitUntil(
      [&] {
        return server_->ChildText(rotserver::kIdStatusLine).find("protocol fault") !=
               std::string::npos;
      },
      10s))
      << server_->ChildText(rotserver::kIdStatusLine);
  EXPECT_TRUE(server_->Close(10s)) << "WM_CLOSE did not end RotServer";
}

TEST_F(RotServerStream, BytesWithoutALineEndEndTheLinkAndTheLogSaysWhatItLeftOut) {
  Start("junk");
  ASSERT_TRUE(server_->WaitLog(
      "rotctld link dropped by RotServer: rotctld sends no readable replies", 20s));
  ExpectAliveThrough(2);
  ASSERT_TRUE(server_->WaitLog(" bytes left out of this log: rotctld sent faster than the log "
                               "takes)",
                               10s));
  // Each link takes 64 KiB before it ends, within a moment; the log keeps about 32 KiB a
  // second of it ("HH:MM:SS.mmm t=SECONDS.MICROS rotctld < jjj...").
  std::size_t logged = 0;
  double first = -1, last = -1;
  for (const auto& line : server_->Log()) {
    if (line.find("rotctld < jjj") == std::string::npos) continue;
    double t = std::atof(line.c_str() + line.find(" t=") + 3);
    if (first < 0) first = t;
    last = t;
    logged += line.size();
  }
  ASSERT_GE(first, 0.0) << "no bytes logged at all";
  EXPECT_LT(static_cast<double>(logged), 36 * 1024 * (last - first + 2))
      << logged << " bytes logged in " << last - first << " s";
  EXPECT_TRUE(server_->Close(10s)) << "WM_CLOSE did not end RotServer";
}
