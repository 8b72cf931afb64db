#include "toolkit/job_win.h"

namespace toolkit {

Job::Job() : job_(CreateJobObjectA(nullptr, nullptr)) {
  JOBOBJECT_EXTENDED_LIMIT_INFORMATION info{};
  info.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
  SetInformationJobObject(job_, JobObjectExtendedLimitInformation, &info, sizeof info);
}

Job::~Job() {
  KillAll();
  CloseHandle(job_);
}

Job::Started Job::Launch(const std::string& cmdline, const StartOptions& options) {
  STARTUPINFOA si{};
  si.cb = sizeof si;
  if (options.show) {
    si.dwFlags |= STARTF_USESHOWWINDOW;
    si.wShowWindow = *options.show;
  }
  if (options.output) {
    si.dwFlags |= STARTF_USESTDHANDLES;
    si.hStdOutput = si.hStdError = options.output;
    si.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
  }
  PROCESS_INFORMATION pi{};
  std::string line = cmdline;  // CreateProcessA may write to it
  const DWORD flags = CREATE_SUSPENDED | (options.no_window ? CREATE_NO_WINDOW : 0);
  if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, options.output != nullptr, flags,
                      nullptr, nullptr, &si, &pi))
    return {nullptr, 0, GetLastError()};
  AssignProcessToJobObject(job_, pi.hProcess);
  ResumeThread(pi.hThread);
  CloseHandle(pi.hThread);
  return {pi.hProcess, pi.dwProcessId, 0};
}

HANDLE Job::Start(const std::string& cmdline, HANDLE output) {
  return Launch(cmdline, {output, std::nullopt}).process;
}

void Job::KillAll() {
  if (!job_) return;
  TerminateJobObject(job_, 1);
  for (int i = 0; i < 100; ++i) {
    JOBOBJECT_BASIC_ACCOUNTING_INFORMATION acc{};
    if (!QueryInformationJobObject(job_, JobObjectBasicAccountingInformation, &acc, sizeof acc,
                                   nullptr) ||
        acc.ActiveProcesses == 0)
      break;
    Sleep(20);
  }
}

}  // namespace toolkit
