// program-stand-in [--out TEXT] [--err TEXT] [--exit N]
//   --out TEXT  writes TEXT and a line end to standard output (repeatable, in order with --err)
//   --err TEXT  the same on standard error
//   --flood MS  writes lines to standard output as fast as it can for MS milliseconds
//   --exit N    then ends with exit code N; without it, runs until it is ended
// Other arguments are ignored: a decoy started with someone else's arguments still marks.
#include <windows.h>

#include <cstdlib>
#include <string>

namespace {

void WriteLine(DWORD which, const std::string& text) {
  HANDLE out = GetStdHandle(which);
  if (!out || out == INVALID_HANDLE_VALUE) return;
  std::string line = text + "\n";
  DWORD written = 0;
  WriteFile(out, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
}

void MarkStart() {
  char mark[MAX_PATH];
  DWORD n = GetEnvironmentVariableA("ROTCTLD_STAND_IN_MARK", mark, MAX_PATH);
  if (n == 0 || n >= MAX_PATH) return;
  char module[MAX_PATH];
  DWORD m = GetModuleFileNameA(nullptr, module, MAX_PATH);
  std::string line = "program-stand-in start pid=" + std::to_string(GetCurrentProcessId()) +
                     " module=" + std::string(module, m) + " cmdline=" + GetCommandLineA() + "\r\n";
  HANDLE file = CreateFileA(mark, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                            OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return;
  DWORD written = 0;
  WriteFile(file, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
  CloseHandle(file);
}

}  // namespace

int main(int argc, char** argv) {
  MarkStart();
  bool ends = false;
  int code = 0;
  for (int i = 1; i + 1 < argc; ++i) {
    const std::string option = argv[i];
    if (option == "--out") {
      WriteLine(STD_OUTPUT_HANDLE, argv[++i]);
    } else if (option == "--err") {
      WriteLine(STD_ERROR_HANDLE, argv[++i]);
    } else if (option == "--flood") {
      const ULONGLONG until = GetTickCount64() + std::strtoul(argv[++i], nullptr, 10);
      const std::string line = "rotctld chatter " + std::string(100, '.');
      while (GetTickCount64() < until) WriteLine(STD_OUTPUT_HANDLE, line);
    } else if (option == "--exit") {
      ends = true;
      code = std::atoi(argv[++i]);
    }
  }
  if (ends) return code;
  for (;;) Sleep(INFINITE);
}
