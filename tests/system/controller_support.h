// A rotator controller on a pseudo-terminal (tests/controllers/controller_stand_in.py: GS-232B,
// Rot2Prog or Easycomm II) behind Debian's real rotctld with that controller's Hamlib driver,
// and the whole chain in front of it: the simulated Logger32, the bridge and RotServer.
#pragma once

#include <gtest/gtest.h>
#include <winsock2.h>
#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "harness.h"
#include "logger_bridge.h"
#include "logger_driver.h"
#include "rotserver_support.h"

namespace controllertest {

// The stand-in with its rotctld, a Linux program started from here and directed over a
// loopback control port; it ends when told to, or when that link closes.
class ControllerStandIn {
 public:
  // `model`: gs232b, rot2prog or easycomm2. port() is 0 when it did not start.
  ControllerStandIn(const std::string& model, const std::string& dir);
  ControllerStandIn(const ControllerStandIn&) = delete;
  ControllerStandIn& operator=(const ControllerStandIn&) = delete;

  unsigned port() const { return link_.port(); }
  std::string Address() const { return "127.0.0.1:" + std::to_string(port()); }
  // One control line ("set az=30", "silent 5", ...) and its one-line answer.
  std::string Control(const std::string& line);
  // The commands the controller understood since the last "clear", in order.
  std::vector<std::string> Commands();
  // The azimuth the controller stands at now, as it would report it ("120", "45.5").
  std::string Position() { return Control("position"); }
  bool WaitPosition(const std::string& position, harness::Millis timeout);

 private:
  rstest::LinuxStandIn link_;
  unsigned long sequence_ = 0;
};

class ControllerChain : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // The controller standing at `azimuth` (its own frame), RotServer in front of its rotctld,
  // the simulated Logger32 and the bridge, up, greeted and showing the rotator.
  void StartChain(const std::string& model, const std::string& azimuth, const std::string& shown);
  bool Turn(int azimuth) { return logger_->Command("turn " + std::to_string(azimuth)); }
  std::string Shown() const;  // the bridge's "Azimut ist"
  bool WaitShown(const std::string& text, harness::Millis timeout) const;
  std::string StatusLine() const;  // the technical chain behind RotServer's "Details…"
  bool WaitStatus(const std::string& part, harness::Millis timeout) const;
  // The controller's commands since the last "clear", less its position queries.
  std::vector<std::string> Orders(const std::string& query);
  // Presses RotServer's Stop button.
  void PressStop() const;

  harness::Job job_;
  std::string dir_;
  std::unique_ptr<ControllerStandIn> controller_;
  std::unique_ptr<rstest::RotServer> rotator_;
  std::unique_ptr<logger_test::LoggerDriver> logger_;
  std::unique_ptr<logger_test::BridgeUnderTest> bridge_;
};

}  // namespace controllertest
