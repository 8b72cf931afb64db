// The application's standard error report: a message box with the error icon, an OK button
// and the application title as caption, one at a time.
#pragma once

#include <exception>
#include <string>

#include "bridge/base/error_texts.h"

namespace vexal {

// The program's file name without directory, cut at its first ".", every letter after the
// first in lower case: Logger32Vexal.exe gives "Logger32vexal".
std::string ApplicationTitle();
std::string ApplicationTitleFrom(const std::string& module_path);

// At most one box of the program is open at any time. ShowErrorBox shows the box now (modal:
// it runs its own message loop until OK); while a box is open it only queues the report (see
// ReportQueue). Each report still waiting when a box closes opens its box from a message posted
// then, however the box was closed (mouse or keyboard).
void ShowErrorBox(const std::string& text_utf8) noexcept;
void ShowException(const std::exception& e) noexcept;

// Runs a callback's work: an exception stops here, is shown in the error box, and `on_error`
// is returned instead, so that no exception ever reaches the system that called us.
template <typename Result, typename Work>
Result CallGuarded(Work&& work, Result on_error) noexcept {
  try {
    return work();
  } catch (const std::exception& e) {
    ShowException(e);
  } catch (...) {
    ShowErrorBox(error_text::kUnknownError);
  }
  return on_error;
}

// Queues the report and shows it once the current callback has returned: for errors caught
// inside a DDE callback, where a modal box would hold the partner's transaction.
void PostErrorReport(const std::string& text_utf8) noexcept;

}  // namespace vexal
