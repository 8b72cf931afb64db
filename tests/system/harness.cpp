#include "harness.h"

#include <gtest/gtest.h>

#include <fstream>
#include <stdexcept>

#include "winui/registry_win.h"

namespace harness {

std::string BinDir() {
  char path[MAX_PATH];
  DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
  std::string s(path, n);
  return s.substr(0, s.find_last_of("\\/"));
}

std::string BinPath(const std::string& file) { return BinDir() + "\\" + file; }

std::string TestDir() {
  const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
  std::string name = info ? std::string(info->test_suite_name()) + "." + info->name() : "adhoc";
  for (char& c : name)
    if (c == '/' || c == '\\') c = '_';  // parameterised tests: "Modes/Suite.Name/0"
  char temp[MAX_PATH];
  GetTempPathA(MAX_PATH, temp);
  std::string dir = std::string(temp) + "vexal-tests";
  CreateDirectoryA(dir.c_str(), nullptr);
  dir += "\\" + name;
  // Start empty: remove what an earlier run of the same test left.
  WIN32_FIND_DATAA fd;
  HANDLE h = FindFirstFileA((dir + "\\*").c_str(), &fd);
  if (h != INVALID_HANDLE_VALUE) {
    do {
      std::string f = fd.cFileName;
      if (f != "." && f != "..") DeleteFileA((dir + "\\" + f).c_str());
    } while (FindNextFileA(h, &fd));
    FindClose(h);
  }
  CreateDirectoryA(dir.c_str(), nullptr);
  return dir;
}

std::string RotctldFixtureDir() {
  char dir[MAX_PATH];
  DWORD n = GetEnvironmentVariableA("VEXAL_ROTCTLD_DIR", dir, MAX_PATH);
  if (n > 0 && n < MAX_PATH) return std::string(dir, n);
  return BinDir() + "\\..\\rotctld-fixture";
}

Child::Child(Job& job, const std::string& cmdline, WORD show) {
  Job::Started started = job.Launch(cmdline, {nullptr, show});
  if (!started.process)
    throw std::runtime_error("cannot start " + cmdline + ": error " +
                             std::to_string(started.error));
  process_ = started.process;
  pid_ = started.pid;
}

Child::~Child() {
  Kill();
  CloseHandle(process_);
}

bool Child::Running() const { return WaitForSingleObject(process_, 0) == WAIT_TIMEOUT; }

bool Child::WaitExit(Millis timeout, DWORD* exit_code) const {
  if (WaitForSingleObject(process_, static_cast<DWORD>(timeout.count())) != WAIT_OBJECT_0)
    return false;
  if (exit_code) GetExitCodeProcess(process_, exit_code);
  return true;
}

void Child::Kill() {
  if (process_ && Running()) {
    TerminateProcess(process_, 1);
    WaitForSingleObject(process_, 5000);
  }
}

bool StartLinuxProgram(std::string command_line) {
  STARTUPINFOA si{};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi{};
  if (!CreateProcessA(nullptr, command_line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                      &si, &pi))
    return false;
  if (pi.hThread) CloseHandle(pi.hThread);
  if (pi.hProcess) CloseHandle(pi.hProcess);
  return true;
}

bool WaitUntil(const std::function<bool()>& condition, Millis timeout) {
  auto end = std::chrono::steady_clock::now() + timeout;
  for (;;) {
    if (condition()) return true;
    if (std::chrono::steady_clock::now() >= end) return false;
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
    Sleep(20);
  }
}

namespace {
struct FindArgs {
  const std::string* title;
  DWORD pid;
  bool visible_only;
  HWND found;
};

BOOL CALLBACK FindProc(HWND hwnd, LPARAM lp) {
  auto* args = reinterpret_cast<FindArgs*>(lp);
  if (args->visible_only && !IsWindowVisible(hwnd)) return TRUE;
  if (args->pid) {
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    if (pid != args->pid) return TRUE;
  }
  if (WindowText(hwnd) != *args->title) return TRUE;
  args->found = hwnd;
  return FALSE;
}
}  // namespace

HWND FindTopWindow(const std::string& title, DWORD pid, bool visible_only) {
  FindArgs args{&title, pid, visible_only, nullptr};
  EnumWindows(FindProc, reinterpret_cast<LPARAM>(&args));
  return args.found;
}

HWND WaitForTopWindow(const std::string& title, Millis timeout, DWORD pid) {
  HWND found = nullptr;
  WaitUntil([&] { return (found = FindTopWindow(title, pid)) != nullptr; }, timeout);
  return found;
}

std::string WindowText(HWND hwnd) {
  char buf[1024];
  DWORD_PTR len = 0;
  if (!SendMessageTimeoutA(hwnd, WM_GETTEXT, sizeof buf, reinterpret_cast<LPARAM>(buf),
                           SMTO_ABORTIFHUNG, 2000, &len))
    return {};
  return std::string(buf, len);
}

std::vector<std::string> ReadLines(const std::string& path) {
  std::vector<std::string> lines;
  std::ifstream in(path, std::ios::binary);
  std::string line;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
  }
  return lines;
}

void SetProgramValueRaw(const void* data, DWORD size, DWORD type) {
  if (!winui::SetUserValue("Software\\Vexal", "Program", type, data, size))
    throw std::runtime_error("cannot set HKCU\\Software\\Vexal Program");
}

void SetProgramValue(const std::string& value, DWORD type) {
  SetProgramValueRaw(value.c_str(), static_cast<DWORD>(value.size() + 1), type);
}

void DeleteVexalKey() {
  winui::DeleteUserKey("Software\\Vexal");
}

double SecondsSince(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

}  // namespace harness
