// The inside of RotServer's window, shared by its two halves: main_window_impl_win.cpp (creation,
// layout, paint, menu, what it shows) and main_window_input_win.cpp (mouse and keyboard, and
// the turns they ask for).
#pragma once

#include <windows.h>

#include <optional>
#include <string>

#include "rotserver/core/geodesy.h"
#include "rotserver/core/operator_status.h"
#include "rotserver/core/rose_geometry.h"
#include "rotserver/core/turn_choice.h"
#include "rotserver/core/window_layout.h"
#include "rotserver/win/main_window_win.h"
#include "rotserver/win/map_paint_win.h"
#include "rotserver/win/rose_paint_win.h"

namespace rotserver {

class MainWindowImpl final : public MainWindow {
 public:
  MainWindowImpl(HINSTANCE instance, int show, WindowActions actions);
  ~MainWindowImpl() override;

  HWND hwnd() const override { return hwnd_; }
  void Show(const ViewState& state) override;
  void OpenSettings(const Settings& current, const SettingsProblem* mark = nullptr) override;

 private:
  static LRESULT CALLBACK WndProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
  LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp);
  bool HandleInput(UINT msg, WPARAM wp, LPARAM lp, LRESULT* result);

  void OnCreate();
  void OnPaint();
  void OnSize();
  void OnLeftButtonDown(LPARAM lp, WPARAM wp);
  void OnMouseMove(LPARAM lp);
  LRESULT OnMouseActivate(WPARAM wp, LPARAM lp);
  void OnKeyDown(WPARAM key);
  void OnChar(WPARAM ch);
  void OnCommand(WPARAM wp);
  void OnDpiChanged(int dpi, const RECT* suggested);
  void OnMinMaxInfo(MINMAXINFO* info) const;
  void OnClose();
  LRESULT OnCtlColorStatic(HDC dc, HWND control);

  void UseSettings(const Settings& settings);
  void Send(const std::optional<double>& bearing);
  void TurnTo(double bearing, bool long_path) { Send(choice_.Turn(bearing, long_path)); }
  void TurnToEntry();
  void LongPath();
  void Nudge(int step);
  void OnPreset(int index);
  void Stop();
  void Warn(const std::string& words);
  enum class PointerLine { kReadout, kNote, kWarning };
  void ShowPointerLine(const std::string& words, PointerLine kind);
  void Layout();
  void ApplyFonts();
  void PaintClient(HDC dc, const RECT& client);
  std::string PointerWords(int x, int y);
  Rose RoseNow() const;

  HWND hwnd_ = nullptr;
  WindowActions actions_;
  int dpi_ = 96;
  GdiObject<HFONT> font_, heading_font_, target_font_;
  WindowLayout layout_;
  RECT rose_area_{};
  ViewState state_;
  Settings settings_;
  StatusContext status_context_;  // the port and who starts rotctld, for the status words
  MapLayer map_;
  winui::BackBuffer back_buffer_;
  TurnChoice choice_;
  bool warning_shown_ = false;  // the pointer line tells why a bearing was refused
  bool note_shown_ = false;     // the pointer line confirms an action
  bool tracking_leave_ = false;
};

}  // namespace rotserver
