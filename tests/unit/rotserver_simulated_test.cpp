// RotServer's simulated rotator on a virtual clock.
#include <gtest/gtest.h>

#include "rotserver/core/bridge_door.h"
#include "rotserver/core/front_end.h"
#include "rotserver/core/simulated_driver.h"

namespace rotserver {
namespace {

TEST(RotserverSimulated, TurnsAtItsSpeedAndStops) {
  SimulatedDriver sim;  // 6 degrees a second over 0..360
  sim.Tick(0);
  sim.MoveTo(90, 45, 0);  // azimuth only: the elevation is not taken
  sim.Tick(5000);
  EXPECT_DOUBLE_EQ(*sim.Status().azimuth, 30);
  EXPECT_FALSE(sim.Status().elevation);
  EXPECT_EQ(sim.Status().el_max, 0);
  EXPECT_EQ(sim.Status().direction, 1);
  EXPECT_EQ(sim.Status().reading_at, 5000);
  sim.Tick(20000);
  EXPECT_DOUBLE_EQ(*sim.Status().azimuth, 90);
  EXPECT_EQ(sim.Status().direction, 0);
  sim.MoveTo(0, std::nullopt, 20000);
  sim.Tick(21000);
  EXPECT_EQ(sim.Status().direction, -1);
  sim.Stop(21500);
  sim.Tick(30000);
  EXPECT_DOUBLE_EQ(*sim.Status().azimuth, 81);
  EXPECT_EQ(sim.Status().direction, 0);
}

TEST(RotserverSimulated, RangeOverThreeSixtyWithTheFrontEnd) {
  SimulatedConfig config;
  config.min_az = -180;
  config.max_az = 450;
  config.speed_dps = 10;
  config.start_az = 400;
  SimulatedDriver sim(config);
  FrontEnd front(sim, {});
  front.Tick(0);
  EXPECT_EQ(front.TurnTo(60, 0).azimuth, 420);  // through the overlap, not the long way round
  front.Tick(2000);
  EXPECT_DOUBLE_EQ(*sim.Status().azimuth, 420);
  EXPECT_EQ(BridgeDoor(1).StatusMacro(front.LiveReading(2000)).substr(0, 5), "600\r\n");
  ViewState view = front.View(2000);
  EXPECT_EQ(view.min_az, -180);
  EXPECT_EQ(view.max_az, 450);
}

TEST(RotserverSimulated, NonsenseSettingsFallBackToTheDefaults) {
  SimulatedConfig config;
  config.min_az = 90;
  config.max_az = 90;
  config.speed_dps = 0;
  config.start_az = 500;
  SimulatedDriver sim(config);
  sim.Tick(0);
  EXPECT_EQ(*sim.Status().limits_min, 0);
  EXPECT_EQ(*sim.Status().limits_max, 360);
  EXPECT_DOUBLE_EQ(*sim.Status().azimuth, 360);
  sim.MoveTo(354, std::nullopt, 0);
  sim.Tick(1000);
  EXPECT_DOUBLE_EQ(*sim.Status().azimuth, 354);
}

}  // namespace
}  // namespace rotserver
