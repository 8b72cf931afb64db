// The children of RotServer's window: created, given their fonts, placed by the layout, and
// made to pass the window's keys (Enter, Esc, L, Left, Right, digits) on to it.
#pragma once

#include <windows.h>

#include <string>

#include "rotserver/core/window_layout.h"

namespace rotserver {

void CreateChildren(HWND parent);
void SetChildFonts(HWND parent, HFONT text, HFONT heading, HFONT target);
void PlaceChildren(HWND parent, const WindowLayout& layout);
// A child's text as UTF-8; set only when it differs (so nothing repaints for nothing).
std::string ChildText(HWND parent, int id);
void SetChildText(HWND parent, int id, const std::string& utf8);

}  // namespace rotserver
