// The status line in an operator's words, from the technical chains RotServer's drivers and
// its rotctld supervisor report, as they read them today.
#include <gtest/gtest.h>

#include <utility>

#include "rotserver/core/operator_status.h"

namespace {

using rotserver::LinkMark;
using rotserver::LinkState;
using rotserver::OperatorStatus;
using rotserver::StatusContext;
using rotserver::ViewState;

ViewState Rotctld(LinkState link, const std::string& error, int reconnect_in_s = 0) {
  ViewState s;
  s.backend_label = "rotctld 127.0.0.1:41759";
  s.link = link;
  s.reconnect_in_s = reconnect_in_s;
  s.last_error = error;
  return s;
}

const StatusContext kCom3{"COM3", true};

TEST(RotServerOperatorStatus, RotctldThatCannotOpenItsPortNamesThePortWithOneCountdown) {
  ViewState s = Rotctld(LinkState::kReconnecting,
                        "rotctld ended (exit code 2): rot_open: error = IO error; starting it "
                        "again in 7 s; connection to 127.0.0.1:41759 refused: Connection refused "
                        "(Winsock error 10061)",
                        4);
  EXPECT_EQ(OperatorStatus(s, kCom3),
            "Cannot open COM3 (IO error). Check the port number, the cable and the "
            "controller's power. Trying again in 7 s.");
  // Windows lists no COM3 now: the adapter is unplugged, or the number is wrong.
  StatusContext absent = kCom3;
  EXPECT_TRUE(rotserver::WantsPortListing(s, absent));
  absent.listing = rotserver::ListingOf("COM3", {"COM1", "COM4"});
  EXPECT_EQ(OperatorStatus(s, absent),
            "COM3 is not there. Plug in the controller's USB cable, or choose the port Windows "
            "lists (Settings). Trying again in 7 s.");
  absent.listing = rotserver::ListingOf("com3", {"COM1", "COM3"});
  EXPECT_EQ(OperatorStatus(s, absent).rfind("Cannot open COM3 (IO error).", 0), 0u);
  // With Hamlib's verbose output the busy port is told apart; no port known: "the port".
  s.last_error =
      "rotctld ended (exit code 2): serial_open: Unable to open COM3 - Permission "
      "denied; starting it again in 3 s";
  EXPECT_EQ(OperatorStatus(s, {"", true}),
            "The port is in use by another program. Close that program, or choose another "
            "port. Trying again in 3 s.");
}

TEST(RotServerOperatorStatus, StartFailuresSayWhatToChooseInSettings) {
  ViewState s = Rotctld(LinkState::kReconnecting,
                        "rotctld ended (exit code 3221225781); starting it again in 2 s", 1);
  const std::string dll =
      "rotctld.exe cannot start: a DLL it needs is missing. Choose the one in Hamlib's bin "
      "folder (Settings). Trying again in 2 s.";
  EXPECT_EQ(OperatorStatus(s, kCom3), dll);
  s.last_error =
      "rotctld.exe could not start: a DLL it needs is missing (0xC0000135); "
      "starting it again in 2 s";
  EXPECT_EQ(OperatorStatus(s, kCom3), dll);
  s.last_error =
      "rotctld program not found: rotctld.exe (not in RotServer's folder nor on the "
      "PATH); starting it again in 30 s";
  EXPECT_EQ(OperatorStatus(s, kCom3),
            "rotctld.exe was not found. Choose it in Settings (in Hamlib's bin folder). Trying "
            "again in 30 s.");
}

TEST(RotServerOperatorStatus, FaultsOfARunningRotctldAndItsController) {
  ViewState s = Rotctld(LinkState::kConnected, "position query: RPRT -5 (communication timed out)");
  s.azimuth = 10;
  EXPECT_EQ(OperatorStatus(s, kCom3),
            "The controller on COM3 does not answer. Check its power and cable, and the "
            "controller and speed in Settings.");
  s.last_error = "target 451.0 refused: RPRT -1 (invalid parameter or out of range)";
  EXPECT_EQ(OperatorStatus(s, kCom3),
            "The rotator refused to turn to 451° (invalid parameter or out of range). Turn "
            "within its range, or check the range in Settings.");
  s.last_error = "target -12.5 refused: RPRT -21 (limit exceeded)";
  EXPECT_NE(OperatorStatus(s, kCom3).find("to -12.5° (limit exceeded)"), std::string::npos);
  s.last_error = "target 100.0 elevation 95.0 refused: RPRT -1 (invalid parameter or out of range)";
  EXPECT_NE(OperatorStatus(s, kCom3).find("to 100° (invalid"), std::string::npos);
  // The range in use where rotctld's cannot be believed, or was not given; the window may join
  // a notice of RotServer's own after it.
  const std::pair<const char*, const char*> ranges[] = {
      {"rotctld's range -1e+308..1e+308 cannot be a rotator's (a bound beyond -360..720): using "
       "the configured range 0.0..450.0",
       "rotctld reports a range no rotator has: 0.0..450.0 is used. Set the rotator's real range "
       "in Settings."},
      {"range from dump_state unreadable: using the configured range 0.0..450.0; a notice",
       "rotctld did not tell the rotator's range: the range set in Settings (0.0..450.0) is "
       "used."},
  };
  for (const auto& [chain, words] : ranges) {
    s.last_error = chain;
    EXPECT_EQ(OperatorStatus(s, kCom3), words);
  }
  s.link = LinkState::kReconnecting;
  s.reconnect_in_s = 5;
  s.last_error =
      "rotctld keeps dropping the connection (4 times in 2 min): rotctld closed the "
      "connection";
  EXPECT_EQ(OperatorStatus(s, kCom3),
            "rotctld keeps dropping the link (4 times in 2 min). Check the controller's cable "
            "and power; Details… has more. Trying again in 5 s.");
}

TEST(RotServerOperatorStatus, RefusedConnectionDependsOnWhoStartsRotctld) {
  ViewState s = Rotctld(LinkState::kReconnecting,
                        "connection to 127.0.0.1:41759 refused: Connection refused (Winsock "
                        "error 10061)",
                        3);
  EXPECT_EQ(OperatorStatus(s, {"", false}),
            "Nothing answers at 127.0.0.1:41759. Start rotctld there, or choose your "
            "controller in Settings. Trying again in 3 s.");
  EXPECT_EQ(OperatorStatus(s, kCom3), "Waiting for rotctld to start. Trying again in 3 s.");
}

TEST(RotServerOperatorStatus, HealthyLinksSpeakOfTheBridgeAndTheSimulator) {
  ViewState s = Rotctld(LinkState::kConnected, "");
  EXPECT_EQ(OperatorStatus(s, kCom3),
            "Rotator ready. Start Logger32-Vexal so that Logger32 can turn it.");
  s.bridge_linked = true;
  EXPECT_EQ(OperatorStatus(s, kCom3), "Rotator ready.");
  EXPECT_EQ(rotserver::StatusMark(s), LinkMark::kGood);
  s.simulated = true;
  s.backend_label = "simulated";
  EXPECT_EQ(OperatorStatus(s, kCom3),
            "Simulated rotator: nothing real turns. Choose your controller in Settings.");
  EXPECT_EQ(rotserver::StatusMark(s), LinkMark::kTrying) << "green only for a real rotator";
  s.link = LinkState::kFailed;
  EXPECT_EQ(rotserver::StatusMark(s), LinkMark::kFault);
}

// What rotctld printed is bounded before it reaches the window's three rows.
TEST(RotServerOperatorStatus, RotctldsWordsAndNumbersAreBounded) {
  ViewState s = Rotctld(LinkState::kReconnecting,
                        "rotctld ended (exit code 2): rot_open: error = " + std::string(280, 'e') +
                            "; starting it again in 12345678901234567890 s",
                        4);
  const std::string words = OperatorStatus(s, kCom3);
  EXPECT_EQ(words.rfind("Cannot open COM3 (" + std::string(41, 'e') + "). Check", 0), 0u) << words;
  EXPECT_NE(words.find("Trying again in 4 s."), std::string::npos) << words;
}

TEST(RotServerOperatorStatus, UnknownTextsShowTheirFirstClauseOrPointToDetails) {
  ViewState s = Rotctld(LinkState::kConnected, "no reading from the rotator: target not sent");
  EXPECT_EQ(OperatorStatus(s, kCom3), "No reading from the rotator: target not sent.");
  s.last_error = std::string(120, 'x');
  EXPECT_EQ(OperatorStatus(s, kCom3), "The rotator reports a problem. Details… says what.");
  EXPECT_EQ(rotserver::StatusDetails(s), "rotctld 127.0.0.1:41759: connected (" +
                                             std::string(120, 'x') +
                                             ")\nLogger32-Vexal: not running");
}

TEST(RotServerOperatorStatus, OnlyACOMPortIsLookedUp) {
  using rotserver::PortListing;
  EXPECT_EQ(rotserver::ListingOf("\\\\.\\COM12", {"COM12"}), PortListing::kListed);
  EXPECT_EQ(rotserver::ListingOf("COM1", {"COM12"}), PortListing::kAbsent);
  EXPECT_EQ(rotserver::ListingOf("192.168.1.5:4001", {}), PortListing::kUnknown);
  EXPECT_EQ(rotserver::ListingOf("", {"COM1"}), PortListing::kUnknown);
  ViewState s = Rotctld(LinkState::kReconnecting, "connection to 127.0.0.1:41759 refused");
  EXPECT_FALSE(rotserver::WantsPortListing(s, kCom3)) << "not a port fault";
}

TEST(RotServerOperatorStatus, PortComesFromTheSettingOrTheCommandLine) {
  EXPECT_EQ(rotserver::PortOf("COM7", "rotctld -m 603 -r COM3"), "COM7");
  EXPECT_EQ(rotserver::PortOf("", "C:\\Hamlib\\rotctld.exe -m 603 -r COM3 -t 4533"), "COM3");
  EXPECT_EQ(rotserver::PortOf("", "rotctld --rot-file=\\\\.\\COM12"), "\\\\.\\COM12");
  EXPECT_EQ(rotserver::PortOf("", "rotctld -m 1"), "");
}

}  // namespace
