#include "rotserver/win/supervisor_win.h"

namespace rotserver {

Supervisor::Supervisor(std::string command_line) : command_line_(std::move(command_line)) {
  job_ = CreateJobObjectA(nullptr, nullptr);
  if (job_) {
    JOBOBJECT_EXTENDED_LIMIT_INFORMATION info{};
    info.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
    SetInformationJobObject(job_, JobObjectExtendedLimitInformation, &info, sizeof info);
  }
}

Supervisor::~Supervisor() {
  Stop();
  if (job_) CloseHandle(job_);
}

void Supervisor::Stop() {
  if (!process_) return;
  // Explicitly, since the job may not hold it (a job inside a job is refused by older
  // systems and by Wine).
  TerminateProcess(process_, 0);
  WaitForSingleObject(process_, 2000);
  CloseHandle(process_);
  process_ = nullptr;
  Event("supervisor: ended pid=" + std::to_string(pid_));
}

void Supervisor::Start(std::int64_t now) {
  STARTUPINFOA si{};
  si.cb = sizeof si;
  si.dwFlags = STARTF_USESHOWWINDOW;
  si.wShowWindow = SW_HIDE;
  PROCESS_INFORMATION pi{};
  std::string line = command_line_;
  // rotctld is a console program: no console window of its own on the operator's desktop.
  if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE,
                      CREATE_SUSPENDED | CREATE_NO_WINDOW, nullptr, nullptr, &si, &pi)) {
    DWORD code = GetLastError();
    last_end_ = "cannot start " + command_line_ + " (error " + std::to_string(code) + ")";
    next_start_ = policy_.Exited(now);
    Event("supervisor: " + last_end_);
    return;
  }
  bool in_job = job_ && AssignProcessToJobObject(job_, pi.hProcess);
  ResumeThread(pi.hThread);
  CloseHandle(pi.hThread);
  process_ = pi.hProcess;
  pid_ = pi.dwProcessId;
  policy_.Started(now);
  Event("supervisor: started pid=" + std::to_string(pid_) + (in_job ? " job=yes" : " job=no") +
        " command=" + command_line_);
}

void Supervisor::Tick(std::int64_t now) {
  if (command_line_.empty()) return;
  if (process_) {
    if (WaitForSingleObject(process_, 0) != WAIT_OBJECT_0) return;
    DWORD code = 0;
    GetExitCodeProcess(process_, &code);
    CloseHandle(process_);
    process_ = nullptr;
    last_end_ = "rotctld ended (exit code " + std::to_string(code) + ")";
    next_start_ = policy_.Exited(now);
    Event("supervisor: exited pid=" + std::to_string(pid_) + " code=" + std::to_string(code) +
          " restart_in_ms=" + std::to_string(next_start_ - now));
    return;
  }
  if (now >= next_start_) Start(now);
}

std::string Supervisor::Situation(std::int64_t now) const {
  if (command_line_.empty() || process_ || last_end_.empty()) return {};
  std::int64_t seconds = (next_start_ - now + 999) / 1000;
  return last_end_ + "; starting it again in " + std::to_string(seconds < 0 ? 0 : seconds) + " s";
}

}  // namespace rotserver
