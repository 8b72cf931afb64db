// RotServer's DDE link includes Wine's DDE remedies under this name; they live with the one
// DDE layer in common/dde (dde/wine_win.h lists every compensation and its test).
#pragma once

#include "dde/wine_win.h"

namespace winedde = ddeml;
