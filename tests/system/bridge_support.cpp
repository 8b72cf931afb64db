#include "bridge_support.h"

#include "dde_support.h"
#include "bridge/window/widget_ids.h"

using namespace std::chrono_literals;

namespace bridgetest {

std::string StatusMacro(int azimuth_tenths, int direction, int range_mode) {
  std::string m = std::to_string(azimuth_tenths) + "\\r\\n0\\r\\n" + std::to_string(direction) +
                  "\\r\\n0\\r\\n0\\r\\n0\\r\\n" + std::to_string(range_mode) + "\\r\\n";
  for (int i = 8; i <= 10; ++i) m += "0\\r\\n";
  return m;
}

std::string CommandHex(const std::string& tenths) {
  std::string hex;
  char buf[4];
  for (unsigned char c : tenths + "\r\n0\r\n0\r\n" + std::string(1, '\0')) {
    snprintf(buf, sizeof buf, "%02X", c);
    if (!hex.empty()) hex += ' ';
    hex += buf;
  }
  return hex;
}

std::wstring TakeErrorBox(harness::Millis timeout) {
  HWND box = nullptr;
  harness::WaitUntil(
      [&] { return (box = FindWindowA("#32770", "Logger32vexal")) != nullptr; }, timeout);
  if (!box) return {};
  wchar_t text[512] = L"";
  HWND label = GetDlgItem(box, 0xFFFF);
  if (label) SendMessageW(label, WM_GETTEXT, 512, reinterpret_cast<LPARAM>(text));
  SendMessageA(GetDlgItem(box, IDOK), BM_CLICK, 0, 0);
  harness::WaitUntil([&] { return !IsWindow(box); }, 5s);
  return text;
}

void BridgeTest::SetUp() {
  harness::DeleteVexalKey();
  dir_ = harness::TestDir();
  rotator_log_ = dir_ + "\\rotator.log";
}

void BridgeTest::TearDown() {
  job_.KillAll();
  harness::DeleteVexalKey();
}

void BridgeTest::StartRotatorServer(const std::string& args) {
  harness::SetProgramValue(ddetest::SimPath());
  rotator_ = ddetest::StartSimServer(job_, args, rotator_log_);
}

void BridgeTest::StartLogger(const std::string& args) {
  logger_ = std::make_unique<logger_test::LoggerDriver>(job_, dir_, args);
}

void BridgeTest::StartBridge() {
  bridge_ = std::make_unique<logger_test::BridgeUnderTest>(job_);
  window_ = bridge_->WaitShown(30s);
  ASSERT_NE(window_, nullptr) << "the bridge's window did not appear";
}

bool BridgeTest::Execute(const std::string& macro) {
  static int n = 0;
  std::string log = dir_ + "\\client" + std::to_string(++n) + ".log";
  auto run = ddetest::RunSim(job_,
                             "--client --service Logger32Vexal --topic AntDaten --exec " +
                                 ddetest::Quote(macro),
                             log);
  return run.finished && run.exit_code == 0;
}

std::vector<std::string> BridgeTest::Received() const {
  std::vector<std::string> hex;
  for (const auto& line : harness::ReadLines(rotator_log_)) {
    auto begin = line.find(" hex=");
    auto end = line.find(" text=");
    if (line.find("execute ") == std::string::npos || begin == std::string::npos ||
        end == std::string::npos)
      continue;
    hex.push_back(line.substr(begin + 5, end - begin - 5));
  }
  return hex;
}

bool BridgeTest::WaitReceived(size_t count, harness::Millis timeout) const {
  return harness::WaitUntil([&] { return Received().size() >= count; }, timeout);
}

bool BridgeTest::WaitText(int id, const std::string& text, harness::Millis timeout) const {
  return harness::WaitUntil([&] { return Text(id) == text; }, timeout);
}

unsigned BridgeTest::PanelColor(int id) const {
  DWORD_PTR color = 0;
  SendMessageTimeoutA(GetDlgItem(window_, id), vexal::kMsgGetPanelColor, 0, 0, SMTO_ABORTIFHUNG,
                      2000, &color);
  return static_cast<unsigned>(color);
}

int BridgeTest::Releases() const {
  int n = 0;
  for (const auto& e : logger_test::Received(logger_->Events()))
    if (e.wparam == 4) ++n;
  return n;
}

}  // namespace bridgetest
