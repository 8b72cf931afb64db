#include "dde/wine_win.h"

#include <windows.h>

namespace vexal::dde {

bool RunningOnWine() {
  static const bool wine =
      GetProcAddress(GetModuleHandleA("ntdll.dll"), "wine_get_version") != nullptr;
  return wine;
}

}  // namespace vexal::dde
