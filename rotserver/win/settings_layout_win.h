// The settings dialog's template, built in memory so that the dialog works in every program
// that links the window, tests included, without a resource of its own.
#pragma once

#include <windows.h>

#include <vector>

namespace rotserver {

class DialogTemplate {
 public:
  DialogTemplate(const char* title, short cx, short cy);
  // One control; `atom` is its predefined class (button, edit, static, combo box).
  void Add(WORD atom, const char* text, int id, DWORD style, short x, short y, short cx, short cy);
  const DLGTEMPLATE* get() const { return reinterpret_cast<const DLGTEMPLATE*>(words_.data()); }

 private:
  void AddDword(DWORD v);
  void AddText(const char* text);  // ASCII labels only

  std::vector<WORD> words_;
  size_t count_at_ = 0;
};

// The settings dialog's controls at their places.
DialogTemplate BuildSettingsTemplate();

}  // namespace rotserver
