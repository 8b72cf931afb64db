// A Windows job object that holds every process a tool, a test or RotServer starts,
// grandchildren included, and ends them all when it goes, so that no window, DDE service or
// rotctld outlives its user. A child that cannot be put in the job is not started at all.
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
    DWORD error = 0;           // GetLastError of the failed step
    bool job_refused = false;  // it started, but could not be put in the job, and was ended
  };
  struct StartOptions {
    HANDLE output = nullptr;   // standard output and error go here when given
    std::optional<WORD> show;  // the child's first show command, when given
    bool no_window = false;    // a console program gets no console window of its own
    // The program's path, never searched for; empty: the command line's first word is.
    std::string application = {};
  };
  // Starts `cmdline` suspended, puts it in the job, then lets it run, so that even its first
  // children are in the job. It inherits `output` alone (a handle list), never RotServer's
  // sockets or log file. Where the system cannot nest jobs and this process is in one of its
  // own, the child leaves that one for this job, if that one lets it.
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

// A failed Launch in words: "cannot start PROGRAM: REASON".
std::string StartFailureText(const std::string& program, const Job::Started& started);

}  // namespace toolkit
