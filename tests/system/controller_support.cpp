#include "controller_support.h"

#include <fstream>
#include <sstream>

#include "bridge/window/widget_ids.h"
#include "rotserver/win/main_window_win.h"

using namespace std::chrono_literals;

namespace controllertest {

ControllerStandIn::ControllerStandIn(const std::string& model, const std::string& dir) {
  std::string port_file = dir + "\\controller.ports";
  std::string script = rstest::UnixPath(harness::BinPath("controller_stand_in.py"));
  std::string ports = rstest::UnixPath(port_file);
  std::string bytes = rstest::UnixPath(dir + "\\controller-bytes.log");
  if (script.empty() || ports.empty()) return;
  link_.Start(
      "Z:\\usr\\bin\\python3 " + script + " " + model + " --rotctld " + ports + " --log " + bytes,
      port_file, 20s);
}

std::string ControllerStandIn::Control(const std::string& line) {
  // Numbered, so that an answer that came too late for an earlier line is recognised.
  return link_.Ask(line, std::to_string(++sequence_) + " ");
}

std::vector<std::string> ControllerStandIn::Commands() {
  std::string all = Control("commands");
  std::vector<std::string> commands;
  for (std::size_t start = 0; !all.empty() && start <= all.size();) {
    std::size_t end = all.find(" | ", start);
    if (end == std::string::npos) end = all.size();
    commands.push_back(all.substr(start, end - start));
    start = end + 3;
  }
  return commands;
}

bool ControllerStandIn::WaitPosition(const std::string& position, harness::Millis timeout) {
  return harness::WaitUntil([&] { return Position() == position; }, timeout);
}

void ControllerChain::SetUp() {
  harness::DeleteVexalKey();
  dir_ = harness::TestDir();
}

void ControllerChain::TearDown() {
  job_.KillAll();
  controller_.reset();
  harness::DeleteVexalKey();
}

void ControllerChain::StartChain(const std::string& model, const std::string& azimuth,
                                 const std::string& shown) {
  controller_ = std::make_unique<ControllerStandIn>(model, dir_);
  ASSERT_NE(controller_->port(), 0u) << "the " << model << " stand-in or its rotctld did not start";
  ASSERT_EQ(controller_->Control("set az=" + azimuth + " speed=30"), "ok");
  harness::SetProgramValue(rstest::RotServerPath());
  rstest::StoreSettings(rstest::RotctldSettings(controller_->Address()));
  rotator_ = std::make_unique<rstest::RotServer>(job_, dir_ + "\\rotserver.log");
  logger_ = std::make_unique<logger_test::LoggerDriver>(job_, dir_);
  bridge_ = std::make_unique<logger_test::BridgeUnderTest>(job_);
  ASSERT_NE(bridge_->WaitShown(30s), nullptr) << "the bridge's window did not appear";
  ASSERT_TRUE(rotator_->WaitLog("execute size=6 text=\"HS \\r\\n\\0\"", 15s))
      << "no greeting reached RotServer";
  ASSERT_TRUE(WaitShown(shown, 20s)) << Shown();
}

std::string ControllerChain::Shown() const {
  return bridge_->Text(vexal::kIdIstAzimut);
}

bool ControllerChain::WaitShown(const std::string& text, harness::Millis timeout) const {
  return harness::WaitUntil([&] { return Shown() == text; }, timeout);
}

std::string ControllerChain::StatusLine() const {
  return rotator_->ChildText(rotserver::kIdStatusDetails);
}

bool ControllerChain::WaitStatus(const std::string& part, harness::Millis timeout) const {
  return harness::WaitUntil([&] { return StatusLine().find(part) != std::string::npos; },
                            timeout);
}

std::vector<std::string> ControllerChain::Orders(const std::string& query) {
  std::vector<std::string> orders;
  for (const std::string& command : controller_->Commands())
    if (command != query) orders.push_back(command);
  return orders;
}

void ControllerChain::PressStop() const {
  HWND stop = GetDlgItem(rotator_->window(), rotserver::kIdStopButton);
  ASSERT_NE(stop, nullptr);
  SendMessageA(stop, BM_CLICK, 0, 0);
}

}  // namespace controllertest
