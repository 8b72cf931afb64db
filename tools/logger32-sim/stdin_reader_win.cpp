#include "stdin_reader_win.h"

namespace logger32sim {

namespace {

struct ReaderArgs {
  HWND target;
  UINT message;
};

void PostLine(const ReaderArgs& args, std::string line) {
  if (!line.empty() && line.back() == '\r') line.pop_back();
  auto* copy = new std::string(std::move(line));
  if (!PostMessageA(args.target, args.message, 0, reinterpret_cast<LPARAM>(copy))) delete copy;
}

DWORD WINAPI ReadLoop(void* param) {
  ReaderArgs args = *static_cast<ReaderArgs*>(param);
  delete static_cast<ReaderArgs*>(param);
  // Plain ReadFile, not the C runtime: the process may end while this thread waits, and no
  // runtime lock may be held then.
  HANDLE input = GetStdHandle(STD_INPUT_HANDLE);
  std::string pending;
  char buffer[256];
  DWORD got = 0;
  while (ReadFile(input, buffer, sizeof buffer, &got, nullptr) && got > 0) {
    pending.append(buffer, got);
    for (size_t eol; (eol = pending.find('\n')) != std::string::npos;) {
      PostLine(args, pending.substr(0, eol));
      pending.erase(0, eol + 1);
    }
  }
  if (!pending.empty()) PostLine(args, pending);
  return 0;
}

}  // namespace

void StartStdinReader(HWND target, UINT message) {
  HANDLE input = GetStdHandle(STD_INPUT_HANDLE);
  if (input == nullptr || input == INVALID_HANDLE_VALUE) return;
  auto* args = new ReaderArgs{target, message};
  HANDLE thread = CreateThread(nullptr, 0, ReadLoop, args, 0, nullptr);
  if (thread)
    CloseHandle(thread);
  else
    delete args;
}

}  // namespace logger32sim
