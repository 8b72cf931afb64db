// RotServer.exe against a program at rotctld's address that sends as fast as it can: report
// lines nobody asked for, or bytes without a line end. RotServer must stay an answering window
// and DDE server, end the link with the reason in its log, keep its log from flooding, and
// close when asked. This process plays the bridge's DDE side.
#include <gtest/gtest.h>

#include <cstdlib>
#include <regex>

#include "rose_picture.h"
#include "rotserver/win/main_window_win.h"
#include "rotserver_support.h"
#include "winui/wide_text_win.h"

using namespace std::chrono_literals;
using harness::WaitUntil;

namespace {

class RotServerStream : public rstest::StandInTest {
 protected:
  void Start(const std::string& stream) {
    ASSERT_TRUE(stand_in_->Set("stream=" + stream + " az=42"));
    rstest::StoreSettings(rstest::RotctldSettings(stand_in_->Address()));
    server_ = std::make_unique<rstest::RotServer>(job_, dir_ + "\\rotserver.log");
  }

  // Whether RotServer's window thread answers a message within 2 s: a frozen one does not.
  bool Answers() const {
    DWORD_PTR result = 0;
    return SendMessageTimeoutA(server_->window(), WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 2000, &result) !=
           0;
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
};

TEST_F(RotServerStream, ReportLinesNobodyAskedForEndTheLinkAndTheWindowAnswers) {
  Start("rprt");
  ASSERT_TRUE(WaitUntil([&] { return !stand_in_->ReceivedLines().empty(); }, 20s));
  ExpectAliveThrough(3);  // the stream began with the first command
  EXPECT_TRUE(server_->WaitLog(
      "rotctld link dropped by RotServer: protocol fault: a reply with no command pending: "
      "\"RPRT 0\\n\"",
      1s));
  EXPECT_TRUE(WaitUntil(
      [&] {
        return server_->ChildText(rotserver::kIdStatusDetails).find("protocol fault") !=
               std::string::npos;
      },
      10s))
      << server_->ChildText(rotserver::kIdStatusDetails);
  EXPECT_TRUE(server_->Close(10s)) << "WM_CLOSE did not end RotServer";
}

TEST_F(RotServerStream, BytesWithoutALineEndEndTheLinkAndTheLogSaysWhatItLeftOut) {
  Start("junk");
  ASSERT_TRUE(server_->WaitLog(
      "rotctld link dropped by RotServer: rotctld sends no readable replies", 20s));
  ExpectAliveThrough(2);
  ASSERT_TRUE(
      server_->WaitLog(" bytes left out of this log: rotctld sent faster than the log "
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

TEST(RotServerRefused, WinsockErrorsComeWithTheirWords) {
  // A port bound but not listening: every connect is refused.
  WSADATA data;
  ASSERT_EQ(WSAStartup(MAKEWORD(2, 2), &data), 0);
  SOCKET blocker = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  ASSERT_EQ(bind(blocker, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
  int size = sizeof address;
  getsockname(blocker, reinterpret_cast<sockaddr*>(&address), &size);
  std::string where = "127.0.0.1:" + std::to_string(ntohs(address.sin_port));

  harness::DeleteVexalKey();
  harness::Job job;
  std::string dir = harness::TestDir();
  rstest::FakeBridge bridge;
  rstest::StoreSettings(rstest::RotctldSettings(where));
  rstest::RotServer server(job, dir + "\\rotserver.log");
  // The system's words: Wine's, or those of Windows.
  const std::string expected[] = {
      "connection to " + where + " refused: Connection refused (Winsock error 10061)",
      "connection to " + where +
          " refused: No connection could be made because the target machine actively refused "
          "it (Winsock error 10061)"};
  auto shows = [&](const std::string& text) {
    return text.find(expected[0]) != std::string::npos ||
           text.find(expected[1]) != std::string::npos;
  };
  EXPECT_TRUE(WaitUntil([&] { return shows(server.ChildText(rotserver::kIdStatusDetails)); }, 10s))
      << server.ChildText(rotserver::kIdStatusDetails);
  ASSERT_TRUE(server.WaitLog("rotctld closed: connection to ", 1s));
  for (const auto& line : server.Log())
    if (line.find("rotctld closed: ") != std::string::npos) {
      EXPECT_TRUE(shows(line)) << line;
    }
  job.KillAll();
  closesocket(blocker);
  WSACleanup();
  harness::DeleteVexalKey();
}

TEST_F(RotServerStream, ADaemonThatHangsUpAfterEachReadingIsCalledSoAndPacedEverSlower) {
  ASSERT_TRUE(stand_in_->Set("hangup_after=p az=42"));
  rstest::StoreSettings(rstest::RotctldSettings(stand_in_->Address()));
  server_ = std::make_unique<rstest::RotServer>(job_, dir_ + "\\rotserver.log");
  ASSERT_TRUE(WaitUntil([&] { return stand_in_->Connections() >= 8; }, 40s))
      << stand_in_->Connections() << " connections";
  std::string status = server_->ChildText(rotserver::kIdStatusDetails);
  EXPECT_NE(status.find("rotctld keeps dropping the connection ("), std::string::npos) << status;
  EXPECT_NE(status.find(" times in 1 min)"), std::string::npos) << status;
  const std::string shown =
      winui::WideToUtf8(rstest::WideText(GetDlgItem(server_->window(), rotserver::kIdStatusLine)));
  EXPECT_TRUE(std::regex_search(shown, std::regex(R"(^rotctld keeps dropping the link \([0-9]+ )"
                                                  R"(times in 1 min\)\. Check the controller's )"
                                                  R"(cable and power; Details… has more\.)")))
      << shown;
  // Each connection begins with the range query: the pauses between them grow from a quarter
  // second to 4 s and stay there, although every connection brought a good reading.
  auto starts = stand_in_->ReceivedWith("+\\dump_state");
  ASSERT_GE(starts.size(), 8u);
  for (std::size_t i = 6; i < starts.size(); ++i)
    EXPECT_GE(starts[i].ms - starts[i - 1].ms, 3900) << "connection " << i + 1;
  EXPECT_TRUE(server_->Close(10s)) << "WM_CLOSE did not end RotServer";
}

}  // namespace
