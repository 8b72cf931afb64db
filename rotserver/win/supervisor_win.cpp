#include "rotserver/win/supervisor_win.h"

#include <map>
#include <mutex>
#include <thread>
#include <utility>

#include "rotserver/core/rotctld_command.h"
#include "winui/windows_error_text_win.h"

namespace rotserver {

struct PipeInbox {
  std::mutex mutex;
  std::string bytes;         // the first kInboxLimit bytes since the last tick
  std::string tail;          // then the newest kTailLimit: the program's last words are there
  std::size_t left_out = 0;  // bytes between the two, dropped
  bool ended = false;        // the pipe broke: every process holding its write end has gone
};

namespace {

// What the reader may hold between two ticks (50 ms): far more than rotctld ever prints.
constexpr std::size_t kInboxLimit = 64 * 1024;
constexpr std::size_t kTailLimit = 8 * 1024;
// How long after the program's end its last words may still be on their way through the pipe:
// behind a flood of output, on a busy machine, the reader thread took over half a second.
constexpr std::int64_t kDrainMs = 2000;
constexpr char kPausedText[] = "rotctld paused for the Test";

// The live supervisors by id; touched on the window's thread only.
std::map<int, Supervisor*>& LiveSupervisors() {
  static std::map<int, Supervisor*> live;
  return live;
}
int next_supervisor_id = 1;

// The reader thread: owns the pipe's read end, ends when the pipe breaks.
void ReadPipe(HANDLE read, std::shared_ptr<PipeInbox> inbox) noexcept {
  winui::KernelHandle owned(read);
  try {
    char buffer[4096];
    DWORD got = 0;
    while (ReadFile(read, buffer, sizeof buffer, &got, nullptr)) {
      std::lock_guard<std::mutex> lock(inbox->mutex);
      if (inbox->bytes.size() + got <= kInboxLimit && inbox->tail.empty()) {
        inbox->bytes.append(buffer, got);
        continue;
      }
      inbox->tail.append(buffer, got);
      if (inbox->tail.size() > kTailLimit) {
        const std::size_t drop = inbox->tail.size() - kTailLimit;
        inbox->left_out += drop;
        inbox->tail.erase(0, drop);
      }
    }
  } catch (...) {
    // Out of memory: the rest of the output is lost.
  }
  try {
    std::lock_guard<std::mutex> lock(inbox->mutex);
    inbox->ended = true;
  } catch (...) {
    // No lock: the end is noticed after kDrainMs.
  }
}

}  // namespace

Supervisor::Supervisor(std::string command_line)
    : command_line_(std::move(command_line)), id_(next_supervisor_id++) {
  command_ = SplitProgramCommand(command_line_, &command_error_);
  if (command_) device_ = DeviceArgument(command_->arguments);
  LiveSupervisors()[id_] = this;
}

Supervisor::~Supervisor() {
  LiveSupervisors().erase(id_);
  Stop();
}

void Supervisor::Stop() {
  if (!process_) return;
  job_.KillAll();  // and waits until it has gone, so that its serial port is free again
  process_.Reset();
  ended_at_ = -1;
  Event("supervisor: ended pid=" + std::to_string(pid_));
}

void Supervisor::Pause() {
  if (paused_) return;
  paused_ = true;
  Stop();
  Event("supervisor: " + std::string(kPausedText));
}

void Supervisor::Resume() {
  if (!paused_) return;
  paused_ = false;
  last_end_.clear();
  output_.Clear();
  next_start_ = 0;  // at the next tick, with no penalty: it did not fail
  Event("supervisor: resumed after the Test");
}

// The program file: a path with a folder must name an existing file; a bare name is looked
// for as Windows does (RotServer's folder, the current one, the system's, the PATH).
std::optional<std::string> Supervisor::ProgramPath() {
  const std::string& program = command_->program;
  if (program.find_first_of("\\/:") != std::string::npos) {
    DWORD attributes = GetFileAttributesA(program.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY))
      return std::nullopt;
    return program;
  }
  char found[MAX_PATH];
  DWORD length = SearchPathA(nullptr, program.c_str(), ".exe", MAX_PATH, found, nullptr);
  if (length == 0 || length >= MAX_PATH) return std::nullopt;
  return std::string(found, length);
}

void Supervisor::StartFailed(std::int64_t now, const std::string& why) {
  last_end_ = why;
  next_start_ = policy_.StartFailed(now);
  Event("supervisor: start failed: " + why + " restart_in_ms=" + std::to_string(next_start_ - now));
}

void Supervisor::Start(std::int64_t now) {
  std::optional<std::string> path = ProgramPath();
  if (!path) {
    const bool bare = command_->program.find_first_of("\\/:") == std::string::npos;
    StartFailed(now, "rotctld program not found: " + command_->program +
                         (bare ? " (not in RotServer's folder nor on the PATH)" : ""));
    return;
  }
  SECURITY_ATTRIBUTES inherited{sizeof inherited, nullptr, TRUE};
  HANDLE read = nullptr, write = nullptr;
  if (!CreatePipe(&read, &write, &inherited, 0)) {
    StartFailed(now, "cannot start " + *path +
                         ": no pipe for its output: " + winui::ErrorText(GetLastError()));
    return;
  }
  winui::KernelHandle read_end(read), write_end(write);
  SetHandleInformation(read, HANDLE_FLAG_INHERIT, 0);
  toolkit::Job::StartOptions options;
  options.output = write;
  options.no_window = true;
  options.show = SW_HIDE;
  options.application = *path;
  toolkit::Job::Started child =
      job_.Launch(QuotedCommandLine({*path, command_->arguments}), options);
  if (!child.process) {
    StartFailed(now, toolkit::StartFailureText(*path, child));
    return;
  }
  write_end.Reset();  // the child's copy alone: the pipe breaks when the child has gone
  process_.Reset(child.process);
  pid_ = child.pid;
  output_.Clear();
  inbox_ = std::make_shared<PipeInbox>();
  try {
    std::thread(ReadPipe, read_end.get(), inbox_).detach();
    read_end.Release();  // the thread's now
  } catch (...) {
    inbox_->ended = true;  // no thread: its output is not read
  }
  policy_.Started(now);
  Event("supervisor: started pid=" + std::to_string(pid_) + " job=yes inherits=pipe program=" +
        *path + " command=" + command_line_);
}

void Supervisor::TakeOutput(std::int64_t now) {
  if (std::size_t left_out = log_budget_.TakeLeftOut(now))
    Event("rotctld says: (" + std::to_string(left_out) +
          " bytes of its output left out of this log: it printed faster than the log takes)");
  if (!inbox_) return;
  std::string bytes;
  std::size_t left_out = 0;
  {
    std::lock_guard<std::mutex> lock(inbox_->mutex);
    bytes.swap(inbox_->bytes);
    // A line end marks the cut, so that a piece of an old line is not joined to a new one.
    if (inbox_->left_out) bytes += '\n';
    bytes += inbox_->tail;
    inbox_->tail.clear();
    left_out = std::exchange(inbox_->left_out, 0);
  }
  LogLines(output_.Add(bytes), now);
  if (left_out > 0)
    Event("rotctld says: (" + std::to_string(left_out) + " bytes of its output left out)");
}

void Supervisor::LogLines(const std::vector<std::string>& lines, std::int64_t now) {
  for (const std::string& line : lines)
    if (log_budget_.Allow(line.size() + 2, now)) Event("rotctld says: " + line);
}

void Supervisor::NoticeEnd(std::int64_t now) {
  if (ended_at_ < 0) {
    if (WaitForSingleObject(process_.get(), 0) != WAIT_OBJECT_0) return;
    ended_at_ = now;
  }
  bool drained = false;
  {
    std::lock_guard<std::mutex> lock(inbox_->mutex);
    drained = inbox_->ended;
  }
  // Its last words may still be in the pipe: looked at again next tick, never waited for.
  if (!drained && now - ended_at_ < kDrainMs) return;
  TakeOutput(now);
  LogLines(output_.Finish(), now);
  DWORD code = 0;
  GetExitCodeProcess(process_.get(), &code);
  process_.Reset();
  ended_at_ = -1;
  last_end_ = SystemExitWords(command_->program, code);
  if (last_end_.empty()) {
    last_end_ = "rotctld ended (exit code " + std::to_string(code) + ")";
    if (std::string said = output_.LastErrorLine(); !said.empty()) last_end_ += ": " + said;
  }
  next_start_ = policy_.Exited(now);
  // With its last words, which the log's budget may have left out.
  Event("supervisor: exited pid=" + std::to_string(pid_) + " code=" + std::to_string(code) +
        " restart_in_ms=" + std::to_string(next_start_ - now) + " why=" + last_end_);
}

void Supervisor::Tick(std::int64_t now) {
  if (!command_) {
    if (!command_error_logged_) Event("supervisor: rotctld command line: " + command_error_);
    command_error_logged_ = true;
    return;
  }
  TakeOutput(now);
  if (process_) {
    NoticeEnd(now);
    return;
  }
  if (!paused_ && now >= next_start_) Start(now);
}

std::string Supervisor::Situation(std::int64_t now) const {
  if (!command_) return "rotctld command line: " + command_error_;
  if (paused_) return kPausedText;
  if (process_) {
    std::string said = output_.LastErrorLine();
    return said.empty() ? std::string() : "rotctld says: " + said;
  }
  if (last_end_.empty()) return {};
  std::int64_t seconds = (next_start_ - now + 999) / 1000;
  return last_end_ + "; starting it again in " + std::to_string(seconds < 0 ? 0 : seconds) + " s";
}

RotctldPause::RotctldPause(const std::string& device) {
  for (auto& [id, supervisor] : LiveSupervisors())
    if (SameDevice(supervisor->device_, device)) {
      supervisor->Pause();
      paused_.push_back(id);
    }
}

RotctldPause::~RotctldPause() {
  for (int id : paused_) {
    auto it = LiveSupervisors().find(id);
    if (it != LiveSupervisors().end()) it->second->Resume();
  }
}

}  // namespace rotserver
