// Real user input for the Wine tests: pointer moves, button presses and keystrokes sent with
// SendInput (or through the X server), so that they reach the bridge through the same path as a
// user's mouse and keyboard.
#pragma once

#include <windows.h>

#include <string>

#include "harness.h"

namespace controls {

enum class Button { Left, Right, Middle };

// Moves the pointer to a screen point; true once the system reports it there.
bool MoveTo(POINT screen);
void Press(Button button);
void Release(Button button);

// Centre of a window in screen coordinates.
POINT CentreOf(HWND hwnd);

// One key stroke (down and up) of a virtual key.
void Stroke(WORD vk);
// One key stroke as the X server's keyboard gives it (xdotool's key name, "Return"): it reaches
// the focused window through Wine's X11 driver, the way an operator's key press does. False when
// xdotool could not be started.
bool StrokeThroughX(const std::string& key_name);
// Types each character with the key that produces it on the current layout (with Shift where
// needed); false if some character has no key.
bool Type(const std::string& text);

// Puts text on the clipboard as CF_TEXT.
bool SetClipboardText(const std::string& text);

// Makes `hwnd` the foreground window and waits until it is.
bool BringToFront(HWND hwnd, harness::Millis timeout);

// A plain visible top-level window of the test process: something else to activate.
class OtherWindow {
 public:
  OtherWindow();
  ~OtherWindow();
  OtherWindow(const OtherWindow&) = delete;
  OtherWindow& operator=(const OtherWindow&) = delete;
  HWND handle() const { return hwnd_; }

 private:
  HWND hwnd_ = nullptr;
};

}  // namespace controls
