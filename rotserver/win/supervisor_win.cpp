#include "rotserver/win/supervisor_win.h"

#include <mutex>
#include <thread>
#include <utility>
#include <vector>

#include "winui/windows_error_text_win.h"

namespace rotserver {

struct PipeInbox {
  std::mutex mutex;
  std::string bytes;
  std::size_t left_out = 0;  // bytes beyond kInboxLimit between two ticks
  bool ended = false;        // the pipe broke: every process holding its write end has gone
};

namespace {

// What the reader may hold between two ticks (50 ms): far more than rotctld ever prints.
constexpr std::size_t kInboxLimit = 64 * 1024;
// How long after the program's end its last words may still be on their way through the pipe.
constexpr std::int64_t kDrainMs = 500;

// The reader thread: owns the pipe's read end, ends when the pipe breaks.
void ReadPipe(HANDLE read, std::shared_ptr<PipeInbox> inbox) noexcept {
  winui::KernelHandle owned(read);
  try {
    char buffer[4096];
    DWORD got = 0;
    while (ReadFile(read, buffer, sizeof buffer, &got, nullptr)) {
      std::lock_guard<std::mutex> lock(inbox->mutex);
      if (inbox->bytes.size() + got <= kInboxLimit)
        inbox->bytes.append(buffer, got);
      else
        inbox->left_out += got;
    }
    std::lock_guard<std::mutex> lock(inbox->mutex);
    inbox->ended = true;
  } catch (...) {
    // Out of memory: the rest of the output is lost; the end is noticed after kDrainMs.
  }
}

// Starts `application` with `line`, suspended and without a window, its standard output and
// error into `write`. Only that handle is inherited where the system can say so (a handle
// list, then `*listed`), so the child holds none of RotServer's sockets.
bool Launch(const std::string& application, std::string line, HANDLE write,
            PROCESS_INFORMATION* pi, bool* listed) {
  STARTUPINFOEXA si{};
  si.StartupInfo.cb = sizeof si;
  si.StartupInfo.dwFlags = STARTF_USESHOWWINDOW | STARTF_USESTDHANDLES;
  si.StartupInfo.wShowWindow = SW_HIDE;
  si.StartupInfo.hStdOutput = write;
  si.StartupInfo.hStdError = write;
  DWORD flags = CREATE_SUSPENDED | CREATE_NO_WINDOW;
  SIZE_T size = 0;
  InitializeProcThreadAttributeList(nullptr, 1, 0, &size);
  std::vector<char> storage(size);
  auto* list = reinterpret_cast<LPPROC_THREAD_ATTRIBUTE_LIST>(storage.data());
  bool with_list = size > 0 && InitializeProcThreadAttributeList(list, 1, 0, &size);
  if (with_list && UpdateProcThreadAttribute(list, 0, PROC_THREAD_ATTRIBUTE_HANDLE_LIST, &write,
                                             sizeof write, nullptr, nullptr)) {
    si.lpAttributeList = list;
    flags |= EXTENDED_STARTUPINFO_PRESENT;
    *listed = true;
  } else {
    si.StartupInfo.cb = sizeof si.StartupInfo;
  }
  BOOL ok = CreateProcessA(application.c_str(), line.data(), nullptr, nullptr, TRUE, flags, nullptr,
                           nullptr, &si.StartupInfo, pi);
  DWORD error = GetLastError();
  if (with_list) DeleteProcThreadAttributeList(list);
  SetLastError(error);
  return ok != FALSE;
}

}  // namespace

Supervisor::Supervisor(std::string command_line) : command_line_(std::move(command_line)) {
  command_ = SplitProgramCommand(command_line_, &command_error_);
  job_.Reset(CreateJobObjectA(nullptr, nullptr));
  if (job_) {
    JOBOBJECT_EXTENDED_LIMIT_INFORMATION info{};
    info.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
    SetInformationJobObject(job_.get(), JobObjectExtendedLimitInformation, &info, sizeof info);
  }
}

Supervisor::~Supervisor() {
  Stop();
}

void Supervisor::Stop() {
  if (!process_) return;
  // Explicitly, since the job may not hold it (a job inside a job is refused by older
  // systems and by Wine).
  TerminateProcess(process_.get(), 0);
  WaitForSingleObject(process_.get(), 2000);
  process_.Reset();
  Event("supervisor: ended pid=" + std::to_string(pid_));
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
  PROCESS_INFORMATION pi{};
  bool listed = false;
  if (!Launch(*path, QuotedCommandLine({*path, command_->arguments}), write, &pi, &listed)) {
    StartFailed(now, "cannot start " + *path + ": " + winui::ErrorText(GetLastError()));
    return;
  }
  write_end.Reset();  // the child's copy alone: the pipe breaks when the child has gone
  bool in_job = job_ && AssignProcessToJobObject(job_.get(), pi.hProcess);
  process_.Reset(pi.hProcess);
  pid_ = pi.dwProcessId;
  output_.Clear();
  inbox_ = std::make_shared<PipeInbox>();
  try {
    std::thread(ReadPipe, read_end.get(), inbox_).detach();
    read_end.Release();  // the thread's now
  } catch (...) {
    inbox_->ended = true;  // no thread: its output is not read
  }
  winui::KernelHandle thread(pi.hThread);
  ResumeThread(thread.get());
  policy_.Started(now);
  Event("supervisor: started pid=" + std::to_string(pid_) + (in_job ? " job=yes" : " job=no") +
        (listed ? " inherits=pipe" : " inherits=all") +
        " program=" + *path + " command=" + command_line_);
}

void Supervisor::TakeOutput() {
  if (!inbox_) return;
  std::string bytes;
  std::size_t left_out = 0;
  {
    std::lock_guard<std::mutex> lock(inbox_->mutex);
    bytes.swap(inbox_->bytes);
    left_out = std::exchange(inbox_->left_out, 0);
  }
  for (const std::string& line : output_.Add(bytes)) Event("rotctld says: " + line);
  if (left_out > 0)
    Event("rotctld says: (" + std::to_string(left_out) + " bytes of its output left out)");
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
  TakeOutput();
  for (const std::string& line : output_.Finish()) Event("rotctld says: " + line);
  DWORD code = 0;
  GetExitCodeProcess(process_.get(), &code);
  process_.Reset();
  ended_at_ = -1;
  last_end_ = "rotctld ended (exit code " + std::to_string(code) + ")";
  if (std::string said = output_.LastErrorLine(); !said.empty()) last_end_ += ": " + said;
  next_start_ = policy_.Exited(now);
  Event("supervisor: exited pid=" + std::to_string(pid_) + " code=" + std::to_string(code) +
        " restart_in_ms=" + std::to_string(next_start_ - now));
}

void Supervisor::Tick(std::int64_t now) {
  if (!command_) {
    if (!command_error_logged_) Event("supervisor: rotctld command line: " + command_error_);
    command_error_logged_ = true;
    return;
  }
  TakeOutput();
  if (process_) {
    NoticeEnd(now);
    return;
  }
  if (now >= next_start_) Start(now);
}

std::string Supervisor::Situation(std::int64_t now) const {
  if (!command_) return "rotctld command line: " + command_error_;
  if (process_) {
    std::string said = output_.LastErrorLine();
    return said.empty() ? std::string() : "rotctld says: " + said;
  }
  if (last_end_.empty()) return {};
  std::int64_t seconds = (next_start_ - now + 999) / 1000;
  return last_end_ + "; starting it again in " + std::to_string(seconds < 0 ? 0 : seconds) + " s";
}

}  // namespace rotserver
