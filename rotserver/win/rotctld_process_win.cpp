#include "rotserver/win/rotctld_process_win.h"

#include <winsock2.h>
#include <ws2tcpip.h>
#include <windows.h>

#include <thread>

#include "rotserver/core/rotctld_reply.h"
#include "rotserver/core/rotctld_setup.h"
#include "toolkit/job_win.h"
#include "winui/gdi_objects_win.h"
#include "winui/windows_error_text_win.h"

namespace rotserver {

namespace {

ULONGLONG Now() {
  return GetTickCount64();
}

constexpr std::size_t kOutputLimit = 256 * 1024;

// The program's output, read on a thread of its own until every writer has gone, so that a
// chatty program never blocks on a full pipe.
class OutputReader {
 public:
  OutputReader() {
    SECURITY_ATTRIBUTES sa{sizeof sa, nullptr, TRUE};
    HANDLE read = nullptr, write = nullptr;
    if (!CreatePipe(&read, &write, &sa, 0)) return;
    read_.Reset(read);
    write_.Reset(write);
    SetHandleInformation(read, HANDLE_FLAG_INHERIT, 0);
  }
  ~OutputReader() {
    write_.Reset();
    if (thread_.joinable()) thread_.join();
  }
  HANDLE write_end() const { return write_.get(); }
  // After the start: only the child holds the write end now.
  void Start() {
    write_.Reset();
    thread_ = std::thread([this] {
      char buffer[4096];
      DWORD n = 0;
      // Read to the end, kept up to a bound: rotctld's longest answer ("-l") is a few KB.
      while (ReadFile(read_.get(), buffer, sizeof buffer, &n, nullptr) && n)
        if (text_.size() < kOutputLimit) text_.append(buffer, n);
    });
  }
  // Once the program (and everything it started) has ended.
  std::string Finish() {
    if (thread_.joinable()) thread_.join();
    return text_;
  }

 private:
  winui::KernelHandle read_, write_;
  std::thread thread_;
  std::string text_;
};

std::string ProgramOf(const std::string& command_line) {
  if (!command_line.empty() && command_line.front() == '"')
    return command_line.substr(1, command_line.find('"', 1) - 1);
  return command_line.substr(0, command_line.find(' '));
}

std::string StartError(const std::string& command_line, DWORD code) {
  return "cannot start " + ProgramOf(command_line) + ": " + winui::ErrorText(static_cast<DWORD>(code));
}

class Winsock {
 public:
  Winsock() {
    WSADATA data;
    ok_ = WSAStartup(MAKEWORD(2, 2), &data) == 0;
  }
  ~Winsock() {
    if (ok_) WSACleanup();
  }

 private:
  bool ok_ = false;
};

sockaddr_in Loopback(int port) {
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  a.sin_port = htons(static_cast<u_short>(port));
  return a;
}

// One short conversation with the Test's rotctld, in extended mode as RotServer talks to it.
class TestConversation {
 public:
  explicit TestConversation(ULONGLONG deadline) : deadline_(deadline) {}
  ~TestConversation() {
    if (socket_ != INVALID_SOCKET) closesocket(socket_);
  }
  bool Connect(int port) {
    if (socket_ != INVALID_SOCKET) closesocket(socket_);
    socket_ = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in a = Loopback(port);
    return socket_ != INVALID_SOCKET &&
           connect(socket_, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0;
  }
  std::optional<RotctldReply> Ask(const RotctldCommand& command) {
    if (send(socket_, command.line.data(), static_cast<int>(command.line.size()), 0) !=
        static_cast<int>(command.line.size()))
      return std::nullopt;
    while (Now() < deadline_) {
      if (std::optional<RotctldReply> reply = TakeReply(buffer_)) return reply;
      fd_set readable;
      FD_ZERO(&readable);
      FD_SET(socket_, &readable);
      const ULONGLONG left = deadline_ - Now();
      timeval wait{static_cast<long>(left / 1000), static_cast<long>(left % 1000) * 1000};
      if (select(0, &readable, nullptr, nullptr, &wait) <= 0) break;
      char chunk[1024];
      int n = recv(socket_, chunk, sizeof chunk, 0);
      if (n <= 0) break;
      buffer_.append(chunk, static_cast<size_t>(n));
    }
    return std::nullopt;
  }

 private:
  ULONGLONG deadline_;
  SOCKET socket_ = INVALID_SOCKET;
  std::string buffer_;
};

// What the Test's rotctld answered, once it listens, judged as the live link would.
TestOutcome Converse(TestConversation& talk, const Settings& settings,
                     const std::string& model_name) {
  std::optional<RotctldReply> state = talk.Ask(DumpStateCommand());
  std::optional<RotctldReply> position;
  if (state && !state->code) position = talk.Ask(GetPosCommand());
  return JudgeTestAnswers(model_name, ConfiguredRange(settings), state, position);
}

}  // namespace

CapturedRun RunCaptured(const std::string& command_line, unsigned timeout_ms) {
  CapturedRun run;
  OutputReader output;
  toolkit::Job job;
  toolkit::Job::Started child = job.Launch(command_line, {output.write_end(), std::nullopt, true});
  if (!child.process) {
    run.error = StartError(command_line, child.error);
    return run;
  }
  winui::KernelHandle process(child.process);
  run.started = true;
  output.Start();
  WaitForSingleObject(process.get(), timeout_ms);
  process.Reset();
  job.KillAll();
  run.output = output.Finish();
  return run;
}

int SpareLoopbackPort() {
  Winsock winsock;
  SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  if (s == INVALID_SOCKET) return 0;
  sockaddr_in a = Loopback(0);
  int length = sizeof a;
  int port = 0;
  if (bind(s, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0 &&
      getsockname(s, reinterpret_cast<sockaddr*>(&a), &length) == 0)
    port = ntohs(a.sin_port);
  closesocket(s);
  return port;
}

TestOutcome TestRotctld(const Settings& settings, const std::string& model_name,
                        unsigned budget_ms) {
  const ULONGLONG deadline = Now() + budget_ms;
  const int port = SpareLoopbackPort();
  if (!port) return {false, "no spare TCP port on 127.0.0.1 for the Test"};
  Winsock winsock;
  const std::string command_line = BuildRotctldCommand(settings, port);
  OutputReader output;
  toolkit::Job job;
  toolkit::Job::Started child = job.Launch(command_line, {output.write_end(), std::nullopt, true});
  if (!child.process) return {false, StartError(command_line, child.error)};
  winui::KernelHandle process(child.process);
  output.Start();
  TestOutcome outcome;
  TestConversation talk(deadline);
  bool listening = false;
  DWORD exit_code = STILL_ACTIVE;
  while (!listening && Now() < deadline) {
    if (WaitForSingleObject(process.get(), 0) == WAIT_OBJECT_0) {
      GetExitCodeProcess(process.get(), &exit_code);
      break;
    }
    listening = talk.Connect(port);
    if (!listening) Sleep(100);
  }
  if (listening)
    outcome = Converse(talk, settings, model_name);
  else if (exit_code == STILL_ACTIVE)
    outcome.text = "rotctld did not open port " + std::to_string(port) + " within " +
                   std::to_string(budget_ms / 1000) + " s";
  process.Reset();
  job.KillAll();
  std::string said = output.Finish();
  if (!listening && exit_code != STILL_ACTIVE) outcome.text = EndedText(said, exit_code);
  return outcome;
}

}  // namespace rotserver
