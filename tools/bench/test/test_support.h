// What the tools' tests share: paths of the built programs and a job that ends every process a
// test starts.
#pragma once

#include <windows.h>

#include <string>

namespace benchtest {

inline std::string BinPath(const std::string& file) {
  char path[MAX_PATH];
  DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
  std::string dir(path, n);
  return dir.substr(0, dir.find_last_of("\\/") + 1) + file;
}

// Every process a test starts is killed when the test's Job goes.
class Job {
 public:
  Job() : job_(CreateJobObjectA(nullptr, nullptr)) {
    JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
    limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
    SetInformationJobObject(job_, JobObjectExtendedLimitInformation, &limits, sizeof limits);
  }
  ~Job() {
    TerminateJobObject(job_, 1);
    CloseHandle(job_);
  }
  Job(const Job&) = delete;
  Job& operator=(const Job&) = delete;

  // Starts a program; its standard output and error are collected when `output` is given.
  HANDLE Start(std::string cmdline, HANDLE output = nullptr) {
    STARTUPINFOA si{};
    si.cb = sizeof si;
    if (output) {
      si.dwFlags = STARTF_USESTDHANDLES;
      si.hStdOutput = si.hStdError = output;
      si.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    }
    PROCESS_INFORMATION pi{};
    if (!CreateProcessA(nullptr, cmdline.data(), nullptr, nullptr, output != nullptr,
                        CREATE_SUSPENDED, nullptr, nullptr, &si, &pi))
      return nullptr;
    AssignProcessToJobObject(job_, pi.hProcess);
    ResumeThread(pi.hThread);
    CloseHandle(pi.hThread);
    return pi.hProcess;
  }

 private:
  HANDLE job_;
};

}  // namespace benchtest
