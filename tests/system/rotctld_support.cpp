#include "rotctld_support.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "dde_support.h"
#include "loopback_socket.h"
#include "bridge/window/widget_ids.h"

using namespace std::chrono_literals;

namespace rotctldtest {

namespace {

std::string ReadFirstLine(const std::string& path) {
  std::ifstream in(path);
  std::string line;
  std::getline(in, line);
  return line;
}

}  // namespace

DummyRotctld::DummyRotctld() : dir_(harness::RotctldFixtureDir()) {
  port_ = static_cast<unsigned>(std::strtoul(ReadFirstLine(dir_ + "\\port").c_str(), nullptr, 10));
}

bool DummyRotctld::Request(const std::string& what) {
  std::istringstream state(ReadFirstLine(dir_ + "\\state"));
  long done = 0;
  state >> done;
  long next = done + 1;
  {
    std::ofstream control(dir_ + "\\control", std::ios::binary | std::ios::trunc);
    control << next << ' ' << what << '\n';
  }
  return harness::WaitUntil(
      [&] {
        std::istringstream now(ReadFirstLine(dir_ + "\\state"));
        long seq = 0;
        now >> seq;
        return seq == next;
      },
      15s);
}

std::optional<double> DummyRotctld::Azimuth() const {
  harness::LoopbackSocket s(port_, 2000);
  if (!s.Send("p\n")) return std::nullopt;
  std::string reply;
  char buf[256];
  int got = 0;
  while (std::count(reply.begin(), reply.end(), '\n') < 2 && (got = s.Receive(buf, sizeof buf)) > 0)
    reply.append(buf, got);
  char* end = nullptr;
  double value = std::strtod(reply.c_str(), &end);
  if (end != reply.c_str() && *end == '\n') return value;
  return std::nullopt;
}

std::size_t RotctldChain::Count(const std::string& needle) const {
  return ddetest::LinesWith(Log(), needle).size();
}

std::vector<std::string> RotctldChain::SetPositions() const {
  const std::string sent = " rotctld > ";
  std::vector<std::string> commands;
  for (const std::string& line : ddetest::LinesWith(Log(), sent + "+P "))
    commands.push_back(line.substr(line.find(sent) + sent.size()));
  return commands;
}

void RotctldChain::SetUp() {
  ASSERT_NE(rotctld_.port(), 0u)
      << "no rotctld: run through ctest (fixture rotctld) or tests/rotctld-fixture start "
         "build/windows/rotctld-fixture";
  ASSERT_TRUE(rotctld_.Request("restart"));
  harness::DeleteVexalKey();
  dir_ = harness::TestDir();
  log_ = dir_ + "\\rotserver.log";
}

void RotctldChain::TearDown() {
  job_.KillAll();
  harness::DeleteVexalKey();
  rotctld_.Request("resume");
  rotctld_.Request("start");
}

void RotctldChain::StartChain() {
  harness::SetProgramValue(rstest::RotServerPath());
  rstest::StoreSettings(rstest::RotctldSettings(rotctld_.Address()));
  rotator_ = std::make_unique<rstest::RotServer>(job_, log_);
  logger_ = std::make_unique<logger_test::LoggerDriver>(job_, dir_);
  bridge_ = std::make_unique<logger_test::BridgeUnderTest>(job_);
  window_ = bridge_->WaitShown(30s);
  ASSERT_NE(window_, nullptr) << "the bridge's window did not appear";
  ASSERT_TRUE(
      harness::WaitUntil([&] { return Count("execute size=6 text=\"HS \\r\\n\\0\"") == 1; }, 15s))
      << "no greeting reached the rotator server";
  ASSERT_TRUE(WaitText(vexal::kIdIstAzimut, "0", 10s)) << Text(vexal::kIdIstAzimut);
}

bool RotctldChain::WaitText(int id, const std::string& text, harness::Millis timeout) const {
  return harness::WaitUntil([&] { return Text(id) == text; }, timeout);
}

unsigned RotctldChain::PanelColor(int id) const {
  DWORD_PTR color = 0;
  SendMessageTimeoutA(GetDlgItem(window_, id), vexal::kMsgGetPanelColor, 0, 0, SMTO_ABORTIFHUNG,
                      2000, &color);
  return static_cast<unsigned>(color);
}

bool RotctldChain::WaitPanel(int id, unsigned color, harness::Millis timeout) const {
  return harness::WaitUntil([&] { return PanelColor(id) == color; }, timeout);
}

std::optional<double> RotctldChain::SettledAzimuth(harness::Millis timeout) const {
  std::optional<double> before = rotctld_.Azimuth();
  std::optional<double> now;
  harness::WaitUntil(
      [&] {
        harness::WaitUntil([] { return false; }, 1s);  // a pause that keeps handling messages
        now = rotctld_.Azimuth();
        bool settled = before && now && std::fabs(*now - *before) < 0.05;
        before = now;
        return settled;
      },
      timeout);
  return now;
}

}  // namespace rotctldtest
