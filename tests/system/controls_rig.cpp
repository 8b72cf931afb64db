#include "controls_rig.h"

#include <cstdlib>

#include "dde_support.h"

using namespace std::chrono_literals;

namespace controls {

namespace {

constexpr DWORD kExecuteTimeoutMs = 10000;

// "31 32 0D" back to the bytes.
std::string FromHex(const std::string& hex) {
  std::string bytes;
  for (size_t i = 0; i + 1 < hex.size(); i += 3)
    bytes += static_cast<char>(std::strtoul(hex.substr(i, 2).c_str(), nullptr, 16));
  return bytes;
}

// A point of a child window given in its own coordinates, in the top-level window's picture.
POINT InPicture(HWND top, HWND child, POINT own) {
  RECT top_rect{}, child_rect{};
  GetWindowRect(top, &top_rect);
  GetWindowRect(child, &child_rect);
  return {child_rect.left - top_rect.left + own.x, child_rect.top - top_rect.top + own.y};
}

uint32_t PixelOf(const logger_test::Picture& picture, POINT p) {
  if (p.x < 0 || p.y < 0 || p.x >= picture.width || p.y >= picture.height) return 0xFFFFFFFF;
  return picture.At(p.x, p.y);
}

}  // namespace

std::string TargetCommand(const std::string& tenths) {
  return tenths + "\r\n0\r\n0\r\n" + std::string(1, '\0');
}

std::vector<std::string> StatusMacro(long azimuth_tenths, int direction, int range_mode) {
  return {std::to_string(azimuth_tenths),
          "0",
          std::to_string(direction),
          "0",
          "0",
          "0",
          std::to_string(range_mode),
          "0",
          "0",
          "1"};
}

uint32_t YellowPixel() {
  return logger_test::Rgb(255, 255, 0);
}
uint32_t WindowColourPixel() {
  return logger_test::FromColorref(GetSysColor(COLOR_WINDOW));
}

StatusClient::StatusClient() : dde_("Logger32Vexal", "AntDaten") {
  dde_.Connect();
}

bool StatusClient::Execute(const std::vector<std::string>& lines) {
  if (!Connected()) return false;
  std::string text;
  for (const auto& line : lines) text += line + "\r\n";
  text += '\0';
  return dde_.Execute(text, kExecuteTimeoutMs).returned;
}

ControlsRig::ControlsRig() : dir_(harness::TestDir()), server_log_(dir_ + "\\rotator-sim.log") {
  // The bridge finds the rotator server through the registry: service "rotator-sim".
  harness::SetProgramValue(ddetest::SimPath());
  server_ = ddetest::StartSimServer(job_, "", server_log_);
  logger_ = std::make_unique<logger_test::LoggerDriver>(job_, dir_);
  bridge_ = std::make_unique<logger_test::BridgeUnderTest>(job_);
  window_ = bridge_->WaitShown(30s);
  if (!window_) {
    failure_ = "bridge window not shown";
    return;
  }
  bool greeted = harness::WaitUntil(
      [&] { return !ddetest::ReceivedHex(harness::ReadLines(server_log_)).empty(); }, 10s);
  if (!greeted) {
    failure_ = "no greeting reached the rotator server";
    return;
  }
  status_ = std::make_unique<StatusClient>();
  if (!status_->Connected()) failure_ = "no status conversation with the bridge";
}

bool ControlsRig::Status(long azimuth_tenths, int direction, int range_mode) {
  return Status(StatusMacro(azimuth_tenths, direction, range_mode));
}

std::string ControlsRig::NextCommand(harness::Millis timeout) {
  std::vector<std::string> hex;
  harness::WaitUntil(
      [&] {
        hex = ddetest::ReceivedHex(harness::ReadLines(server_log_));
        return hex.size() > commands_read_;
      },
      timeout);
  if (hex.size() <= commands_read_) return "";
  return FromHex(hex[commands_read_++]);
}

std::string ControlsRig::SentWith(long azimuth_tenths, int direction, int range_mode) {
  if (!Status(azimuth_tenths, direction, range_mode)) return "<status not acknowledged>";
  return NextCommand(5s);
}

std::string ControlsRig::NextAfterMarker() {
  if (!logger_->Command("turn 7")) return "<marker not posted>";
  if (!WaitEditText("7", 5s)) return "<marker not taken>";
  return SentWith(1000, 0, 0);
}

HWND ControlsRig::BridgeFocus() const {
  GUITHREADINFO info{};
  info.cbSize = sizeof info;
  return GetGUIThreadInfo(BridgeThread(), &info) ? info.hwndFocus : nullptr;
}

std::pair<DWORD, DWORD> ControlsRig::EditSelection() const {
  DWORD packed = static_cast<DWORD>(SendMessageA(Widget(vexal::kIdEditAzimut), EM_GETSEL, 0, 0));
  return {LOWORD(packed), HIWORD(packed)};
}

vexal::TColor ControlsRig::PanelColor(int id) const {
  return static_cast<vexal::TColor>(SendMessageA(Widget(id), vexal::kMsgGetPanelColor, 0, 0));
}

Bevel ControlsRig::PanelBevel(int id) const {
  HWND panel = Widget(id);
  RECT r{};
  GetClientRect(panel, &r);
  logger_test::Picture picture = logger_test::CaptureWindow(window_);
  const uint32_t light = logger_test::FromColorref(GetSysColor(COLOR_BTNHIGHLIGHT));
  const uint32_t dark = logger_test::FromColorref(GetSysColor(COLOR_BTNSHADOW));
  // The outermost ring: middle of each edge.
  uint32_t left = PixelOf(picture, InPicture(window_, panel, {0, r.bottom / 2}));
  uint32_t top = PixelOf(picture, InPicture(window_, panel, {r.right / 2, 0}));
  uint32_t right = PixelOf(picture, InPicture(window_, panel, {r.right - 1, r.bottom / 2}));
  uint32_t bottom = PixelOf(picture, InPicture(window_, panel, {r.right / 2, r.bottom - 1}));
  if (left == light && top == light && right == dark && bottom == dark) return Bevel::Raised;
  if (left == dark && top == dark && right == light && bottom == light) return Bevel::Lowered;
  return Bevel::Unclear;
}

bool ControlsRig::WaitBevel(int id, Bevel bevel, harness::Millis timeout) const {
  return harness::WaitUntil([&] { return PanelBevel(id) == bevel; }, timeout);
}

bool ControlsRig::WaitEditText(const std::string& text, harness::Millis timeout) const {
  return harness::WaitUntil([&] { return EditText() == text; }, timeout);
}

uint32_t ControlsRig::EditBackground() const {
  HWND edit = Widget(vexal::kIdEditAzimut);
  RECT client{};
  GetClientRect(edit, &client);
  POINT inner{client.right - 3, client.bottom / 2};
  // Client to window coordinates of the box (its sunken edge lies outside the client area).
  POINT screen = inner;
  ClientToScreen(edit, &screen);
  RECT box{};
  GetWindowRect(edit, &box);
  POINT own{screen.x - box.left, screen.y - box.top};
  return PixelOf(logger_test::CaptureWindow(window_), InPicture(window_, edit, own));
}

bool ControlsRig::WaitEditBackground(uint32_t rgb, harness::Millis timeout) const {
  return harness::WaitUntil([&] { return EditBackground() == rgb; }, timeout);
}

}  // namespace controls
