#include "bridge/base/program_forms_win.h"

#include <algorithm>

namespace vexal {

namespace {
std::vector<HWND>& Forms() {
  static std::vector<HWND> forms;
  return forms;
}
}  // namespace

const std::vector<HWND>& ProgramForms() {
  return Forms();
}

void AddProgramForm(HWND form) {
  if (form) Forms().push_back(form);
}

void RemoveProgramForm(HWND form) {
  std::erase(Forms(), form);
}

}  // namespace vexal
