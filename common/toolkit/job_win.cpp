#include "toolkit/job_win.h"

#include <vector>

#include "winui/windows_error_text_win.h"

namespace toolkit {

namespace {

// The one handle a child may inherit, as a handle list; no list at all when there is nothing
// to inherit (the child then inherits nothing).
class InheritList {
 public:
  explicit InheritList(HANDLE handle) : handle_(handle) {
    if (!handle_) return;
    SIZE_T size = 0;
    InitializeProcThreadAttributeList(nullptr, 1, 0, &size);
    storage_.resize(size);
    auto* list = reinterpret_cast<LPPROC_THREAD_ATTRIBUTE_LIST>(storage_.data());
    if (size && InitializeProcThreadAttributeList(list, 1, 0, &size)) {
      list_ = list;
      if (!UpdateProcThreadAttribute(list_, 0, PROC_THREAD_ATTRIBUTE_HANDLE_LIST, &handle_,
                                     sizeof handle_, nullptr, nullptr))
        ok_ = false;
    } else {
      ok_ = false;
    }
  }
  ~InheritList() {
    if (list_) DeleteProcThreadAttributeList(list_);
  }
  InheritList(const InheritList&) = delete;
  InheritList& operator=(const InheritList&) = delete;
  bool ok() const { return ok_; }
  LPPROC_THREAD_ATTRIBUTE_LIST list() const { return list_; }

 private:
  HANDLE handle_;
  std::vector<char> storage_;
  LPPROC_THREAD_ATTRIBUTE_LIST list_ = nullptr;
  bool ok_ = true;
};

}  // namespace

Job::Job() : job_(CreateJobObjectA(nullptr, nullptr)) {
  JOBOBJECT_EXTENDED_LIMIT_INFORMATION info{};
  // Breakaway allowed: a child of a member that cannot nest this job in a job of its own (old
  // systems, Wine) leaves this one for its own, which then ends it with its parent.
  info.BasicLimitInformation.LimitFlags =
      JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE | JOB_OBJECT_LIMIT_BREAKAWAY_OK;
  SetInformationJobObject(job_, JobObjectExtendedLimitInformation, &info, sizeof info);
}

Job::~Job() {
  KillAll();
  CloseHandle(job_);
}

Job::Started Job::Launch(const std::string& cmdline, const StartOptions& options) {
  if (!job_) return {nullptr, 0, ERROR_INVALID_HANDLE, true};
  InheritList inherit(options.output);
  if (!inherit.ok()) return {nullptr, 0, GetLastError(), false};
  STARTUPINFOEXA si{};
  si.StartupInfo.cb = sizeof si;
  if (options.show) {
    si.StartupInfo.dwFlags |= STARTF_USESHOWWINDOW;
    si.StartupInfo.wShowWindow = *options.show;
  }
  if (options.output) {
    si.StartupInfo.dwFlags |= STARTF_USESTDHANDLES;
    si.StartupInfo.hStdOutput = si.StartupInfo.hStdError = options.output;
    si.lpAttributeList = inherit.list();
  }
  DWORD flags = CREATE_SUSPENDED | EXTENDED_STARTUPINFO_PRESENT |
                (options.no_window ? CREATE_NO_WINDOW : 0);
  const char* application = options.application.empty() ? nullptr : options.application.c_str();
  for (int attempt = 0; attempt < 2; ++attempt) {
    PROCESS_INFORMATION pi{};
    std::string line = cmdline;  // CreateProcessA may write to it
    if (!CreateProcessA(application, line.data(), nullptr, nullptr, options.output != nullptr,
                        flags, nullptr, nullptr, &si.StartupInfo, &pi))
      return {nullptr, 0, GetLastError(), false};
    if (AssignProcessToJobObject(job_, pi.hProcess)) {
      ResumeThread(pi.hThread);
      CloseHandle(pi.hThread);
      return {pi.hProcess, pi.dwProcessId, 0, false};
    }
    const DWORD error = GetLastError();
    // It never ran: ended before its first instruction.
    TerminateProcess(pi.hProcess, 1);
    WaitForSingleObject(pi.hProcess, 2000);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    if (attempt == 1 || (flags & CREATE_BREAKAWAY_FROM_JOB)) return {nullptr, 0, error, true};
    flags |= CREATE_BREAKAWAY_FROM_JOB;
  }
  return {nullptr, 0, ERROR_ACCESS_DENIED, true};
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

std::string StartFailureText(const std::string& program, const Job::Started& started) {
  if (started.job_refused)
    return "cannot start " + program +
           ": Windows refused to put it in the job that ends it with its parent (" +
           winui::ErrorText(started.error) + ")";
  return "cannot start " + program + ": " + winui::ErrorText(started.error);
}

}  // namespace toolkit
