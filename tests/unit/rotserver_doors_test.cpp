// RotServer's network doors and their arbiter: Hamlib's rotctld protocol as programs speak it,
// N1MM rotor packets, the bounds on a client's lines, and who may turn the rotator when.
#include <gtest/gtest.h>

#include <string>

#include "rotserver/core/arbiter.h"
#include "rotserver/core/client_lines.h"
#include "rotserver/core/front_end.h"
#include "rotserver/core/hamlib_door.h"
#include "rotserver/core/n1mm_door.h"
#include "fakes/fake_driver.h"

namespace rotserver {
namespace {

using testing::FakeDriver;

// A door's world: a rotator at `azimuth` in -180..450 read at 0, the front end and arbiter.
struct Shack {
  explicit Shack(double azimuth = 120, int hold_off_s = 0)
      : driver(azimuth, -180, 450), front(driver, Config()), arbiter(hold_off_s) {}
  static FrontEndConfig Config() {
    FrontEndConfig config;
    config.stale_after_ms = 3600000;  // the reading stays live through the test's minutes
    return config;
  }
  std::string Ask(const std::string& line, Millis now = 100,
                  const std::string& who = "127.0.0.1:5001") {
    bool quit = false;
    return door.Answer(line, {Asker::Kind::kProgram, who}, arbiter, front, now, &quit);
  }
  FakeDriver driver;
  FrontEnd front;
  Arbiter arbiter;
  HamlibDoor door;
};

TEST(RotserverHamlibDoor, AnswersAsRotctldInEveryForm) {
  Shack shack(123.456);
  EXPECT_EQ(shack.Ask("p"), "123.46\n0.00\n");
  EXPECT_EQ(shack.Ask("\\get_pos\r"), "123.46\n0.00\n");
  EXPECT_EQ(shack.Ask("+p"), "get_pos:\nAzimuth: 123.46\nElevation: 0.00\nRPRT 0\n");
  EXPECT_EQ(shack.Ask(";\\get_pos"), "get_pos:;Azimuth: 123.46;Elevation: 0.00;RPRT 0\n");
  EXPECT_EQ(shack.Ask("P 200 10"), "RPRT 0\n");
  EXPECT_EQ(shack.Ask("+\\set_pos 210.5 0"), "set_pos: 210.5 0\nRPRT 0\n");
  EXPECT_EQ(shack.driver.moves, (std::vector<double>{200, 210.5}));
  EXPECT_EQ(shack.Ask("S"), "RPRT 0\n");
  EXPECT_EQ(shack.Ask("+\\stop"), "stop:\nRPRT 0\n");
  EXPECT_EQ(shack.driver.stops, 2);
  EXPECT_EQ(shack.Ask("_"), "RotServer\n");
  EXPECT_EQ(shack.Ask("+_"), "get_info:\nInfo: RotServer\nRPRT 0\n");
  EXPECT_EQ(shack.Ask("\\dump_state"),
            "1\n1\nmin_az=-180.000000\nmax_az=450.000000\nmin_el=0.000000\nmax_el=90.000000\n"
            "south_zero=0\nrot_type=Az\ndone\n");
  EXPECT_EQ(shack.Ask("+\\dump_state").substr(0, 43),
            "dump_state:\nrotctld Protocol Ver: 1\nRotor M");
  // Debian's rotctld leaves these unanswered, which hangs a client: here they get a code.
  EXPECT_EQ(shack.Ask("K"), "RPRT -4\n");
  EXPECT_EQ(shack.Ask("\\park"), "RPRT -4\n");
  EXPECT_EQ(shack.Ask(""), "");
  bool quit = false;
  shack.door.Answer("q", {}, shack.arbiter, shack.front, 100, &quit);
  EXPECT_TRUE(quit);
}

TEST(RotserverHamlibDoor, RefusalsCarryRotctldsCodes) {
  Shack shack;
  for (const char* bad : {"P 451 0", "P -181 0", "P abc 0", "P", "P 10 20 30", "P nan 0", "p 1"})
    EXPECT_EQ(shack.Ask(bad), "RPRT -1\n") << bad;
  EXPECT_EQ(shack.Ask("+P 500 0"), "set_pos: 500 0\nRPRT -1\n");
  EXPECT_TRUE(shack.driver.moves.empty());
  EXPECT_EQ(shack.Ask("P 400 0"), "RPRT 0\n");  // the overlap as named, not 40
  EXPECT_EQ(shack.driver.moves, std::vector<double>{400});
  shack.driver.status.link = LinkState::kReconnecting;
  EXPECT_EQ(shack.Ask("p"), "RPRT -5\n");  // no reading: never an old one as if new
  EXPECT_EQ(shack.Ask("P 10 0"), "RPRT -5\n");
  EXPECT_EQ(shack.driver.moves.size(), 1u);
}

TEST(RotserverHamlibDoor, ElevationGoesThroughOnlyToARotatorWithAnElevationAxis) {
  Shack az_only;
  az_only.driver.status.el_min = az_only.driver.status.el_max = 0;  // as rotctld reports one
  EXPECT_EQ(az_only.Ask("P 10 45"), "RPRT 0\n");
  EXPECT_EQ(az_only.driver.elevations.back(), std::nullopt);
  EXPECT_EQ(az_only.Ask("p"), "120.00\n0.00\n");

  Shack az_el;
  az_el.driver.status.elevation = 30;
  az_el.driver.status.el_min = 0;
  az_el.driver.status.el_max = 90;
  EXPECT_EQ(az_el.Ask("p"), "120.00\n30.00\n");
  EXPECT_EQ(az_el.Ask("P 10 45"), "RPRT 0\n");
  EXPECT_EQ(az_el.driver.elevations.back(), std::optional<double>(45));
  EXPECT_EQ(az_el.Ask("P 10"), "RPRT 0\n");  // keeps the elevation it has
  EXPECT_EQ(az_el.driver.elevations.back(), std::nullopt);
  EXPECT_EQ(az_el.Ask("P 10 95"), "RPRT -1\n");
  EXPECT_NE(az_el.Ask("\\dump_state").find("\nrot_type=AzEl\n"), std::string::npos);
}

TEST(RotserverArbiter, LastTargetWinsAnyStopStopsAndTheOperatorMayHoldProgramsOff) {
  Shack shack(120, 30);
  Arbiter& arbiter = shack.arbiter;
  DoorRequest turn = DoorRequest::TurnTo(250);
  const DoorRequest stop = DoorRequest::Stop();
  const Asker a{Asker::Kind::kProgram, "127.0.0.1:5001"},
      b{Asker::Kind::kProgram, "127.0.0.1:5002"};
  EXPECT_EQ(arbiter.Carry(shack.front, a, turn, 0).kind, TurnOutcome::Kind::kMove);
  EXPECT_EQ(arbiter.TargetFrom(), "127.0.0.1:5001");
  turn.azimuth = 260;
  EXPECT_EQ(arbiter.Carry(shack.front, b, turn, 0).kind, TurnOutcome::Kind::kMove);
  EXPECT_EQ(arbiter.TargetFrom(), "127.0.0.1:5002");
  EXPECT_DOUBLE_EQ(*shack.front.View(0).target, 260);
  EXPECT_EQ(arbiter.Carry(shack.front, a, stop, 0).kind, TurnOutcome::Kind::kStop);
  EXPECT_EQ(arbiter.TargetFrom(), "");
  // Logger32 turns: for 30 s the programs' targets are refused, their stops still obeyed.
  EXPECT_EQ(arbiter.Carry(shack.front, {Asker::Kind::kBridge, "Logger32"}, turn, 1000).kind,
            TurnOutcome::Kind::kMove);
  EXPECT_EQ(arbiter.TargetFrom(), "Logger32");
  TurnOutcome held = arbiter.Carry(shack.front, a, turn, 11000);
  EXPECT_EQ(held.kind, TurnOutcome::Kind::kRefused);
  EXPECT_EQ(held.reason,
            "held off for 20 s more: the operator turned the rotator from RotServer or Logger32");
  EXPECT_EQ(shack.Ask("P 10 0", 11000), "RPRT -9\n");
  EXPECT_EQ(arbiter.Carry(shack.front, {}, turn, 12000).kind, TurnOutcome::Kind::kMove);  // window
  EXPECT_EQ(arbiter.TargetFrom(), "");
  EXPECT_EQ(arbiter.Carry(shack.front, a, turn, 41999).kind, TurnOutcome::Kind::kRefused);
  EXPECT_EQ(arbiter.Carry(shack.front, a, turn, 42000).kind, TurnOutcome::Kind::kMove);
  EXPECT_EQ(shack.Ask("S", 41000), "RPRT 0\n");

  arbiter.Connected("127.0.0.1:5001");
  arbiter.Connected("127.0.0.1:5002");
  arbiter.Heard("N1MM Tower", 50000);
  arbiter.Disconnected("127.0.0.1:5001");
  EXPECT_EQ(arbiter.Programs(60000), (std::vector<std::string>{"127.0.0.1:5002", "N1MM Tower"}));
  EXPECT_EQ(arbiter.Programs(111000), std::vector<std::string>{"127.0.0.1:5002"});
}

TEST(RotserverN1mmDoor, PublishedPacketsOnlyForThisRotor) {
  const std::string turn =
      "<N1MMRotor><rotor>Tower</rotor><goazi>55.0</goazi><offset>0.0</offset>"
      "<bidirectional>0</bidirectional><freqband>14</freqband></N1MMRotor>";
  N1mmPacket packet = ParseN1mmPacket(turn, "tower");
  EXPECT_EQ(packet.kind, N1mmPacket::Kind::kTurn);
  EXPECT_DOUBLE_EQ(packet.azimuth, 55);
  EXPECT_DOUBLE_EQ(N1mmRequest(packet, 200).azimuth, 55);
  packet = ParseN1mmPacket(
      "<N1MMRotor><stop><rotor>Tower</rotor><freqband>14</freqband></stop></N1MMRotor>", "Tower");
  EXPECT_EQ(packet.kind, N1mmPacket::Kind::kStop);
  EXPECT_EQ(N1mmRequest(packet, std::nullopt).kind, DoorRequest::Kind::kStop);
  EXPECT_EQ(ParseN1mmPacket(turn, "Stack").kind, N1mmPacket::Kind::kOtherRotor);
  // A bidirectional antenna turns the shorter way: either end may point at 55.
  std::string both = turn;
  both.replace(both.find("<bidirectional>0"), 16, "<bidirectional>1");
  EXPECT_DOUBLE_EQ(N1mmRequest(ParseN1mmPacket(both, "Tower"), 200).azimuth, 235);
  EXPECT_DOUBLE_EQ(N1mmRequest(ParseN1mmPacket(both, "Tower"), 100).azimuth, 55);

  for (const std::string& bad : std::vector<std::string>{
           "Tower @ 550", turn.substr(0, turn.size() - 1), std::string("<N1MMRotor></N1MMRotor>"),
           "<N1MMRotor><rotor>Tower</rotor><goazi>abc</goazi><offset>0.0</offset><bidirectional>0"
           "</bidirectional><freqband>14</freqband></N1MMRotor>",
           "<N1MMRotor><rotor>Tower</rotor><goazi>361</goazi><offset>0.0</offset><bidirectional>0"
           "</bidirectional><freqband>14</freqband></N1MMRotor>",
           "<N1MMRotor><goazi>55</goazi><rotor>Tower</rotor><offset>0.0</offset><bidirectional>0"
           "</bidirectional><freqband>14</freqband></N1MMRotor>",
           "<N1MMRotor><stop><rotor>Tower</rotor></stop></N1MMRotor>",
           "<N1MMRotor><rotor>Tower</rotor><goazi>55.0</goazi><offset>0.0</offset><bidirectional>0"
           "</bidirectional><freqband>14</freqband><x>1</x></N1MMRotor>",
           "<N1MMRotor><rotor>Tower</rotor>" + std::string(2000, ' ') + "</N1MMRotor>"}) {
    N1mmPacket malformed = ParseN1mmPacket(bad, "Tower");
    EXPECT_EQ(malformed.kind, N1mmPacket::Kind::kMalformed) << bad;
    EXPECT_FALSE(malformed.reason.empty());
  }
  EXPECT_EQ(N1mmStatus("Tower", 123.04), "Tower @ 1230");
  EXPECT_EQ(N1mmStatus("Tower", 359.99), "Tower @ 0");
}

TEST(RotserverClientLines, OverlongLinesAreDroppedWholeAndFloodsWait) {
  ClientLines lines;
  lines.Add("p\r\n" + std::string(1024, 'x') + "\np\n");
  lines.Add(std::string(1 << 20, 'y'));  // a megabyte without an end
  lines.Add("zz\nS\n");
  std::vector<std::string> got;
  while (std::optional<std::string> line = lines.Next(0)) got.push_back(*line);
  EXPECT_EQ(got, (std::vector<std::string>{"p", std::string(1024, 'x'), "p", "S"}));
  EXPECT_EQ(lines.TakeDropped(), 1u);
  EXPECT_EQ(lines.TakeDropped(), 0u);

  // 50 lines at once, then one every 20 ms; the flood is told once.
  ClientLines flooded;
  std::string flood;
  for (int i = 0; i < 200; ++i) flood += "p\n";
  flooded.Add(flood);
  int answered = 0;
  while (flooded.Next(0)) ++answered;
  EXPECT_EQ(answered, 50);
  EXPECT_TRUE(flooded.TakeThrottled());
  EXPECT_FALSE(flooded.TakeThrottled());
  for (Millis t = 20; t <= 1000; t += 20)
    while (flooded.Next(t)) ++answered;
  EXPECT_EQ(answered, 100);
  EXPECT_TRUE(flooded.WantsBytes());
  flooded.Add(std::string(5000, '\n'));
  EXPECT_FALSE(flooded.WantsBytes());  // reading stops until the waiting lines are answered
}

}  // namespace
}  // namespace rotserver
