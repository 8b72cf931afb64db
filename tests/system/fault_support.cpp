#include "fault_support.h"

#include <psapi.h>

#include <algorithm>
#include <cstdlib>
#include <sstream>

#include "dde_support.h"
#include "bridge/window/widget_ids.h"

using namespace std::chrono_literals;

namespace faulttest {

namespace {

StressResult ParseResult(const std::string& out) {
  StressResult result;
  auto lines = harness::ReadLines(out);
  if (lines.empty()) return result;
  std::istringstream words(lines.back());
  std::string word;
  words >> word;  // the command's name
  while (words >> word) {
    auto eq = word.find('=');
    if (eq != std::string::npos) result.values[word.substr(0, eq)] = word.substr(eq + 1);
  }
  return result;
}

}  // namespace

std::string StressResult::Value(const std::string& key) const {
  auto it = values.find(key);
  return it == values.end() ? "<none>" : it->second;
}

long long StressResult::Number(const std::string& key) const {
  auto it = values.find(key);
  if (it == values.end() || it->second.empty()) return -1;
  char* end = nullptr;
  long long v = std::strtoll(it->second.c_str(), &end, 10);
  return *end == '\0' ? v : -1;
}

std::unique_ptr<harness::Child> FaultTest::StartStress(const std::string& args,
                                                       const std::string& out) {
  DeleteFileA(out.c_str());
  return std::make_unique<harness::Child>(job_, ddetest::Quote(harness::BinPath("stress.exe")) +
                                                    " " + args + " --out " + ddetest::Quote(out));
}

StressResult FaultTest::Finish(harness::Child& child, const std::string& out,
                               harness::Millis timeout) {
  bool finished = harness::WaitUntil([&] { return !child.Running(); }, timeout);
  StressResult result = ParseResult(out);
  result.finished = finished;
  if (finished) child.WaitExit(0ms, &result.exit_code);
  return result;
}

StressResult FaultTest::Stress(const std::string& args, harness::Millis timeout) {
  std::string out = dir_ + "\\stress" + std::to_string(++stress_runs_) + ".txt";
  auto child = StartStress(args, out);
  return Finish(*child, out, timeout);
}

void FaultTest::StartLinked() {
  StartRotatorServer();
  StartLogger();
  StartBridge();
  ASSERT_TRUE(WaitReceived(1, 10s)) << "no greeting";
  ASSERT_EQ(Text(vexal::kIdLabel6), "Logger32 connected");
}

void FaultTest::ExpectAlive() const {
  ASSERT_NE(bridge_, nullptr);
  EXPECT_TRUE(bridge_->process().Running()) << "the bridge has ended";
  char title[64] = "";
  DWORD_PTR length = 0;
  EXPECT_TRUE(SendMessageTimeoutA(window_, WM_GETTEXT, sizeof title,
                                  reinterpret_cast<LPARAM>(title), SMTO_ABORTIFHUNG, 5000, &length))
      << "the window does not answer";
  EXPECT_STREQ(title, "Logger32-Vexal");
}

std::optional<Usage> FaultTest::BridgeUsage() const {
  PROCESS_MEMORY_COUNTERS_EX counters{};
  counters.cb = sizeof counters;
  Usage usage;
  HANDLE process = bridge_->process().process();
  if (!GetProcessMemoryInfo(process, reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters),
                            sizeof counters) ||
      !GetProcessHandleCount(process, &usage.handles))
    return std::nullopt;
  // Wine gives another process's commit charge but not its PrivateUsage; on Windows the two
  // are the same number.
  usage.private_bytes = std::max<unsigned long long>(counters.PrivateUsage, counters.PagefileUsage);
  return usage;
}

void FaultTest::ExpectShowsStatus(int azimuth_tenths, const std::string& shown) {
  EXPECT_TRUE(Execute(bridgetest::StatusMacro(azimuth_tenths)));
  EXPECT_TRUE(WaitText(vexal::kIdIstAzimut, shown, 5s))
      << "IstAzimut shows " << Text(vexal::kIdIstAzimut);
}

void ExpectHandlesFlat(const Usage& before, const Usage& after, unsigned long margin) {
  if (before.handles == 0 && after.handles == 0) {
    ::testing::Test::RecordProperty("handles", "not counted by this platform");
    return;
  }
  EXPECT_LE(after.handles, before.handles + margin)
      << "handles " << before.handles << " -> " << after.handles;
}

bool Near(unsigned long long a, unsigned long long b, double fraction,
          unsigned long long absolute) {
  unsigned long long diff = a > b ? a - b : b - a;
  unsigned long long margin = static_cast<unsigned long long>(static_cast<double>(b) * fraction);
  return diff <= (margin > absolute ? margin : absolute);
}

}  // namespace faulttest
