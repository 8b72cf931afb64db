// The program's own forms, in order of creation: the windows that a DDE client may name by
// caption as its topic. Message boxes, the IME's window and other windows of the thread are
// not forms.
#pragma once

#include <windows.h>

#include <vector>

namespace vexal {

const std::vector<HWND>& ProgramForms();
void AddProgramForm(HWND form);
void RemoveProgramForm(HWND form);

}  // namespace vexal
