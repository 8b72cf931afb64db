#include "rotserver_support.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

#include "rotserver/win/main_window_win.h"
#include "rotserver/win/settings_store_win.h"

using namespace std::chrono_literals;

namespace rstest {

// The Unix path of a Windows one, from Wine's own export: the stand-in is a Linux program.
std::string UnixPath(const std::string& windows_path) {
  using Convert = char*(CDECL*)(const WCHAR*);
  // Through void*: a FARPROC cast straight to another function type draws -Wcast-function-type.
  auto convert = reinterpret_cast<Convert>(reinterpret_cast<void*>(
      GetProcAddress(GetModuleHandleA("kernel32.dll"), "wine_get_unix_file_name")));
  if (!convert) return {};
  std::wstring wide(windows_path.begin(), windows_path.end());
  char* unix_path = convert(wide.c_str());
  if (!unix_path) return {};
  std::string result = unix_path;
  HeapFree(GetProcessHeap(), 0, unix_path);
  return result;
}

namespace {

struct FindArgs {
  DWORD pid;
  HWND found;
};

BOOL CALLBACK FindRotServerWindow(HWND hwnd, LPARAM lp) {
  auto* args = reinterpret_cast<FindArgs*>(lp);
  DWORD pid = 0;
  GetWindowThreadProcessId(hwnd, &pid);
  if (pid != args->pid || harness::WindowText(hwnd) != rotserver::kMainWindowTitle) return TRUE;
  args->found = hwnd;
  return FALSE;
}

}  // namespace

std::string RotServerPath() {
  return harness::BinPath("RotServer.exe");
}

void StoreSettings(const rotserver::Settings& settings) {
  std::string error;
  ASSERT_TRUE(rotserver::SaveSettings(settings, &error)) << error;
}

rotserver::Settings RotctldSettings(const std::string& address, int poll_ms) {
  rotserver::Settings settings;
  settings.backend = rotserver::BackendKind::kRotctld;
  settings.rotctld_address = address;
  settings.poll_ms = poll_ms;
  return settings;
}

RotServer::RotServer(harness::Job& job, const std::string& log_path, WORD show)
    : log_path_(log_path),
      child_(job, "\"" + RotServerPath() + "\" --log \"" + log_path + "\"", show) {
  EXPECT_TRUE(WaitLog(" registered service=RotServer topic=RotServConv", 20s))
      << "RotServer did not register its DDE service";
}

bool RotServer::WaitLog(const std::string& needle, harness::Millis timeout) const {
  return harness::WaitUntil(
      [&] {
        for (const auto& line : Log())
          if (line.find(needle) != std::string::npos) return true;
        return false;
      },
      timeout);
}

HWND RotServer::window() const {
  FindArgs args{child_.pid(), nullptr};
  EnumWindows(FindRotServerWindow, reinterpret_cast<LPARAM>(&args));
  return args.found;
}

std::string RotServer::ChildText(int id) const {
  HWND w = window();
  return w ? harness::WindowText(GetDlgItem(w, id)) : "<no window>";
}

bool RotServer::Close(harness::Millis timeout) {
  HWND w = window();
  if (!w) return false;
  PostMessageA(w, WM_CLOSE, 0, 0);
  return harness::WaitUntil([&] { return !child_.Running(); }, timeout);
}

FakeBridge::FakeBridge() {
  WNDCLASSA wc{};
  wc.lpfnWndProc = DefWindowProcA;
  wc.hInstance = GetModuleHandleA(nullptr);
  wc.lpszClassName = "TForm6";
  RegisterClassA(&wc);  // fails harmlessly when this process has registered it before
  window_ = CreateWindowExA(0, "TForm6", "fake bridge", WS_OVERLAPPED, 0, 0, 10, 10, nullptr,
                            nullptr, wc.hInstance, nullptr);
  EXPECT_TRUE(window_) << "no window of the bridge's class";
  std::string error;
  status_ = rotserver::CommandServer::Register(
      "Logger32Vexal", "AntDaten",
      [this](std::string_view bytes) {
        std::vector<std::string> lines;
        std::string text(bytes.substr(0, bytes.find('\0')));
        std::size_t at = 0;
        while (at < text.size()) {
          std::size_t end = text.find("\r\n", at);
          if (end == std::string::npos) end = text.size();
          lines.push_back(text.substr(at, end - at));
          at = end + 2;
        }
        macros_.push_back(std::move(lines));
      },
      &error);
  EXPECT_TRUE(status_) << error;
}

FakeBridge::~FakeBridge() {
  if (window_) DestroyWindow(window_);
}

bool FakeBridge::WaitAzimuth(int tenths, harness::Millis timeout) {
  return harness::WaitUntil([&] { return LatestAzimuth() == tenths; }, timeout);
}

std::optional<int> FakeBridge::LatestAzimuth() const {
  if (macros_.empty() || macros_.back().empty()) return std::nullopt;
  return std::atoi(macros_.back()[0].c_str());
}

bool FakeBridge::Execute(const std::string& bytes) {
  if (!client_.conv() && !client_.Connect()) {
    failure_ = "no conversation with RotServer|RotServConv";
    return false;
  }
  ddeml::Client::Answer answer = client_.Execute(bytes, 5000);
  if (!answer.returned)
    failure_ = "execute not acknowledged within 5 s, DDEML error " + std::to_string(answer.error);
  return answer.returned;
}

bool FakeBridge::SendTarget(int tenths) {
  return Execute(std::to_string(tenths) + "\r\n0\r\n0\r\n" + std::string(1, '\0'));
}

LinuxStandIn::~LinuxStandIn() {
  if (control_ && control_->connected()) Ask("quit");
}

bool LinuxStandIn::Start(std::string command_line, const std::string& port_file,
                         std::chrono::seconds wait) {
  DeleteFileA(port_file.c_str());
  if (!harness::StartLinuxProgram(std::move(command_line))) return false;
  unsigned port = 0, control_port = 0;
  harness::WaitUntil(
      [&] {
        std::ifstream in(port_file);
        return static_cast<bool>(in >> port >> control_port);
      },
      wait);
  if (!control_port) return false;
  control_ = std::make_unique<harness::LoopbackSocket>(control_port, 5000);
  if (!control_->connected()) return false;
  port_ = port;
  return true;
}

std::string LinuxStandIn::Ask(const std::string& line, const std::string& tag) {
  if (!control_ || !control_->connected()) return "error no stand-in";
  control_->Send(tag + line + "\n");
  for (;;) {
    std::size_t end = buffer_.find('\n');
    if (end != std::string::npos) {
      std::string answer = buffer_.substr(0, end);
      buffer_.erase(0, end + 1);
      if (answer.rfind(tag, 0) == 0) return answer.substr(tag.size());
      continue;
    }
    char chunk[4096];
    int got = control_->Receive(chunk, sizeof chunk);
    if (got <= 0) return "error no answer to " + line;
    buffer_.append(chunk, static_cast<std::size_t>(got));
  }
}

StandInRotctld::StandInRotctld(const std::string& dir) {
  std::string port_file = dir + "\\stand-in.ports";
  const std::string script = VEXAL_STAND_IN_ROTCTLD;  // its Unix path, in the source tree
  std::string ports = UnixPath(port_file);
  // The stand-in is ended by a control line, or ends when its control link closes.
  if (script.empty() || ports.empty()) return;
  link_.Start("Z:\\usr\\bin\\python3 " + script + " " + ports, port_file, 15s);
}

std::vector<Received> StandInRotctld::ReceivedLines() {
  std::vector<Received> lines;
  std::string all = Control("received");
  std::size_t at = 0;
  while (at < all.size()) {
    std::size_t end = all.find(" | ", at);
    if (end == std::string::npos) end = all.size();
    std::string item = all.substr(at, end - at);
    std::size_t tab = item.find('\t');
    if (tab != std::string::npos)
      lines.push_back({std::atol(item.substr(0, tab).c_str()), item.substr(tab + 1)});
    at = end + 3;
  }
  return lines;
}

std::vector<Received> StandInRotctld::ReceivedWith(const std::string& prefix) {
  std::vector<Received> found;
  for (auto& r : ReceivedLines())
    if (r.line.rfind(prefix, 0) == 0) found.push_back(r);
  return found;
}

int StandInRotctld::Connections() {
  return std::atoi(Control("connections").c_str());
}

double SetPosAzimuth(const std::string& line) {
  std::size_t at = line.find(' ');
  return at == std::string::npos ? -9999 : std::atof(line.c_str() + at + 1);
}

void RotServerTest::SetUp() {
  harness::DeleteVexalKey();
  dir_ = harness::TestDir();
}

void RotServerTest::TearDown() {
  job_.KillAll();
  harness::DeleteVexalKey();
}

void StandInTest::SetUp() {
  RotServerTest::SetUp();
  stand_in_ = std::make_unique<StandInRotctld>(dir_);
  ASSERT_NE(stand_in_->port(), 0u) << "the stand-in for rotctld did not start (python3?)";
}

}  // namespace rstest
