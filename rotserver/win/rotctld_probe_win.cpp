// Winsock before <windows.h>, which the header includes.
#include <winsock2.h>
#include <ws2tcpip.h>

#include "rotserver/win/rotctld_probe_win.h"

#include <algorithm>
#include <thread>

#include "rotserver/core/rotctld_reply.h"
#include "rotserver/core/rotctld_command.h"
#include "rotserver/win/sockets_win.h"
#include "toolkit/job_win.h"
#include "winui/gdi_objects_win.h"
#include "winui/windows_error_text_win.h"

namespace rotserver {

namespace {

// Hamlib knows about a hundred controllers: a drop-down list of more is of no use.
constexpr std::size_t kMaxModels = 2000;
constexpr std::size_t kMaxLabelLength = 120;
// What a Test keeps of rotctld's output: its last words are within the first lines.
constexpr std::size_t kTestOutputLimit = 64 * 1024;

ULONGLONG Now() {
  return GetTickCount64();
}

// The program's output, read on a thread of its own until every writer has gone, so that a
// chatty program never blocks on a full pipe; kept up to `max_bytes`, beyond which `full` is
// signalled and the rest thrown away.
class OutputReader {
 public:
  explicit OutputReader(std::size_t max_bytes)
      : max_bytes_(max_bytes), full_(CreateEventA(nullptr, TRUE, FALSE, nullptr)) {
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
  OutputReader(const OutputReader&) = delete;
  OutputReader& operator=(const OutputReader&) = delete;
  HANDLE write_end() const { return write_.get(); }
  HANDLE full() const { return full_.get(); }
  // After the start: only the child holds the write end now. False when no thread could be
  // had (the output is then not read, and the caller ends the child).
  bool Start() {
    write_.Reset();
    try {
      thread_ = std::thread([this] { Read(); });
      return true;
    } catch (...) {
      return false;
    }
  }
  // Once the program (and everything it started) has ended.
  std::string Finish() {
    if (thread_.joinable()) thread_.join();
    return std::move(text_);
  }

 private:
  void Read() noexcept {
    try {
      char buffer[4096];
      DWORD n = 0;
      while (ReadFile(read_.get(), buffer, sizeof buffer, &n, nullptr) && n) {
        if (text_.size() + n > max_bytes_) {
          text_.append(buffer, max_bytes_ - text_.size());
          SetEvent(full_.get());
          break;
        }
        text_.append(buffer, n);
      }
    } catch (...) {
      SetEvent(full_.get());  // out of memory: taken as too much output
    }
  }
  std::size_t max_bytes_;
  winui::KernelHandle full_;
  winui::KernelHandle read_, write_;
  std::thread thread_;
  std::string text_;
};

// A socket that no child inherits.
SOCKET PrivateSocket() {
  SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  if (s != INVALID_SOCKET)
    SetHandleInformation(reinterpret_cast<HANDLE>(s), HANDLE_FLAG_INHERIT, 0);
  return s;
}

// One short conversation with the Test's rotctld, in extended mode as RotServer talks to it.
class TestConversation {
 public:
  TestConversation(ULONGLONG deadline, const CancelSignal& cancel)
      : deadline_(deadline), cancel_(cancel) {}
  ~TestConversation() {
    if (socket_ != INVALID_SOCKET) closesocket(socket_);
  }
  // Without blocking: Windows retries a refused connect for a second or two, in which a cancel
  // would go unseen.
  bool Connect(int port) {
    if (socket_ != INVALID_SOCKET) closesocket(socket_);
    socket_ = PrivateSocket();
    if (socket_ == INVALID_SOCKET) return false;
    u_long non_blocking = 1;
    ioctlsocket(socket_, FIONBIO, &non_blocking);
    sockaddr_in a = LoopbackAddress(port);
    bool connected = connect(socket_, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0;
    if (!connected && WSAGetLastError() != WSAEWOULDBLOCK) return false;
    while (!connected && Now() < deadline_ && !cancel_.IsSet()) {
      fd_set writable, failed;
      FD_ZERO(&writable);
      FD_ZERO(&failed);
      FD_SET(socket_, &writable);
      FD_SET(socket_, &failed);
      timeval wait{0, 100 * 1000};
      const int ready = select(0, nullptr, &writable, &failed, &wait);
      if (ready < 0 || FD_ISSET(socket_, &failed)) return false;
      connected = FD_ISSET(socket_, &writable);
    }
    u_long blocking = 0;
    ioctlsocket(socket_, FIONBIO, &blocking);
    return connected;
  }
  std::optional<RotctldReply> Ask(const RotctldCommand& command) {
    if (send(socket_, command.line.data(), static_cast<int>(command.line.size()), 0) !=
        static_cast<int>(command.line.size()))
      return std::nullopt;
    while (Now() < deadline_ && !cancel_.IsSet()) {
      if (std::optional<RotctldReply> reply = TakeReply(buffer_)) return reply;
      fd_set readable;
      FD_ZERO(&readable);
      FD_SET(socket_, &readable);
      // In slices, so that a cancel is seen within one.
      const ULONGLONG left = std::min<ULONGLONG>(deadline_ - Now(), 100);
      timeval wait{0, static_cast<long>(left) * 1000};
      const int ready = select(0, &readable, nullptr, nullptr, &wait);
      if (ready < 0) break;
      if (ready == 0) continue;
      char chunk[1024];
      int n = recv(socket_, chunk, sizeof chunk, 0);
      if (n <= 0) break;
      buffer_.append(chunk, static_cast<size_t>(n));
    }
    return std::nullopt;
  }

 private:
  ULONGLONG deadline_;
  const CancelSignal& cancel_;
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

CapturedRun RunCaptured(const std::string& program, const std::string& command_line,
                        unsigned timeout_ms, std::size_t max_bytes, const CancelSignal& cancel) {
  CapturedRun run;
  OutputReader output(max_bytes);
  toolkit::Job job;
  toolkit::Job::StartOptions options;
  options.output = output.write_end();
  options.no_window = true;
  options.application = program;
  toolkit::Job::Started child = job.Launch(command_line, options);
  if (!child.process) {
    run.error = toolkit::StartFailureText(program, child);
    return run;
  }
  winui::KernelHandle process(child.process);
  run.started = true;
  if (output.Start()) {
    const HANDLE waits[] = {process.get(), output.full(), cancel.handle()};
    switch (WaitForMultipleObjects(3, waits, FALSE, timeout_ms)) {
      case WAIT_OBJECT_0:
        GetExitCodeProcess(process.get(), &run.exit_code);
        break;
      case WAIT_OBJECT_0 + 1:
        run.too_long = true;
        break;
      case WAIT_OBJECT_0 + 2:
        run.cancelled = true;
        break;
      default:
        run.timed_out = true;
    }
  } else {
    run.too_long = true;  // no thread to read it: taken as more than can be held
  }
  process.Reset();
  job.KillAll();
  run.output = output.Finish();
  return run;
}

ModelList ReadModelList(const std::string& rotctld_path, const CancelSignal& cancel) {
  ModelList list;
  CapturedRun run =
      RunCaptured(rotctld_path, QuotedPath(rotctld_path) + " -l", kListTimeoutMs, kListMaxBytes,
                  cancel);
  if (!run.started)
    list.problem = run.error;
  else if (run.timed_out)
    list.problem = "rotctld -l did not finish within " + std::to_string(kListTimeoutMs / 1000) +
                   " s";
  else if (run.too_long)
    list.problem = "rotctld -l printed more than " + std::to_string(kListMaxBytes >> 20) +
                   " MB without finishing, which no controller list does";
  else if (run.cancelled)
    list.problem = "reading the controller list was cancelled";
  else if ((list.models = ParseModelList(run.output)).empty())
    list.problem = "No controller list: " + EndedText(rotctld_path, run.output, run.exit_code);
  // No real controller has a name that would not fit the drop-down.
  std::erase_if(list.models, [](const RotatorModel& model) {
    return model.maker.size() + model.name.size() > kMaxLabelLength;
  });
  if (list.models.size() > kMaxModels) list.models.resize(kMaxModels);
  list.problem = Readable(list.problem);
  return list;
}

int SpareLoopbackPort() {
  WinsockUse winsock;
  SOCKET s = PrivateSocket();
  if (s == INVALID_SOCKET) return 0;
  sockaddr_in a = LoopbackAddress(0);
  int length = sizeof a;
  int port = 0;
  if (bind(s, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0 &&
      getsockname(s, reinterpret_cast<sockaddr*>(&a), &length) == 0)
    port = ntohs(a.sin_port);
  closesocket(s);
  return port;
}

TestOutcome TestRotctld(const Settings& settings, const std::string& model_name,
                        const CancelSignal& cancel, unsigned budget_ms) {
  const ULONGLONG deadline = Now() + budget_ms;
  const int port = SpareLoopbackPort();
  if (!port) return {false, "no spare TCP port on 127.0.0.1 for the Test"};
  WinsockUse winsock;
  const std::string command_line = BuildRotctldCommand(settings, port);
  OutputReader output(kTestOutputLimit);
  toolkit::Job job;
  toolkit::Job::StartOptions options;
  options.output = output.write_end();
  options.no_window = true;
  options.application = settings.rotctld_path;
  toolkit::Job::Started child = job.Launch(command_line, options);
  if (!child.process) return {false, toolkit::StartFailureText(settings.rotctld_path, child)};
  winui::KernelHandle process(child.process);
  TestOutcome outcome;
  TestConversation talk(deadline, cancel);
  bool listening = false;
  DWORD exit_code = STILL_ACTIVE;
  if (!output.Start()) return {false, "no thread to read rotctld's output"};  // the job ends it
  while (!listening && Now() < deadline && !cancel.IsSet()) {
    if (WaitForSingleObject(process.get(), 0) == WAIT_OBJECT_0) {
      GetExitCodeProcess(process.get(), &exit_code);
      break;
    }
    listening = talk.Connect(port);
    if (!listening) WaitForSingleObject(cancel.handle(), 100);
  }
  if (listening)
    outcome = Converse(talk, settings, model_name);
  else if (exit_code == STILL_ACTIVE)
    outcome.text = "rotctld did not open port " + std::to_string(port) + " within " +
                   std::to_string(budget_ms / 1000) + " s";
  process.Reset();
  job.KillAll();
  std::string said = output.Finish();
  if (!listening && exit_code != STILL_ACTIVE)
    outcome.text = EndedText(settings.rotctld_path, said, exit_code);
  return outcome;
}

}  // namespace rotserver
