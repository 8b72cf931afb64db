// A Windows job object that holds every process a tool or a test starts, grandchildren
// included, and ends them all when it goes, so that no window or DDE service outlives its user.
#pragma once

#include <windows.h>

#include <optional>
#include <string>

namespace toolkit {

class Job {
 public:
  Job();
  ~Job();  // KillAll, then the job closes
  Job(const Job&) = delete;
  Job& operator=(const Job&) = delete;

  HANDLE handle() const { return job_; }

  struct Started {
    HANDLE process = nullptr;  // the caller's to close; nullptr when the start failed
    DWORD pid = 0;
    DWORD error = 0;  // GetLastError of the failed start
  };
  struct StartOptions {
    HANDLE output = nullptr;   // standard output and error go here when given
    std::optional<WORD> show;  // the child's first show command, when given
    bool no_window = false;    // a console program gets no console window of its own
  };
  // Starts `cmdline` (program path first) suspended, puts it in the job, then lets it run, so
  // that even its first children are in the job.
  Started Launch(const std::string& cmdline, const StartOptions& options);
  // Launch with standard output and error to `output` when given; the process handle, or
  // nullptr when the start failed.
  HANDLE Start(const std::string& cmdline, HANDLE output = nullptr);

  // Ends every process in the job and waits (up to 2 s) until they have gone, so that the next
  // user does not find their windows.
  void KillAll();

 private:
  HANDLE job_;
};

}  // namespace toolkit
