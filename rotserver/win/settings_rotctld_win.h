// The rotctld part of the settings dialog: finds rotctld.exe, fills the controller list from
// that rotctld's "-l", the serial ports, speeds and range choices, enables what applies to the
// chosen backend, and runs the Test. The list and the Test each run on a thread of their own,
// bounded in time and size, so that the dialog and the status macros never wait for rotctld;
// closing the dialog ends both at once. While the Test needs the serial port of RotServer's own
// rotctld, that rotctld is paused.
#pragma once

#include <windows.h>

#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "rotserver/core/rotator_models.h"
#include "rotserver/core/settings.h"
#include "rotserver/win/rotctld_probe_win.h"
#include "rotserver/win/supervisor_win.h"

namespace rotserver {

// Posted to the dialog when a Test or the reading of the controller list has finished.
inline constexpr UINT kTestDoneMessage = WM_APP + 18;

// A combo box's chosen item, which during CBN_SELCHANGE its own text does not show yet; what
// is typed when nothing is chosen.
std::string ChosenText(HWND dialog, int id);

class RotctldSetupPart {
 public:
  // `checked` reads and checks the whole dialog, refusing an invalid field as OK does.
  RotctldSetupPart(HWND dialog, std::function<std::optional<Settings>()> checked);
  ~RotctldSetupPart();  // EndRuns
  // Ends a running Test or list at once, their rotctld with them, and lets RotServer's own
  // rotctld start again: as the dialog closes, before its window goes.
  void EndRuns();
  RotctldSetupPart(const RotctldSetupPart&) = delete;
  RotctldSetupPart& operator=(const RotctldSetupPart&) = delete;

  void Fill(const Settings& current);
  // WM_COMMAND for one of its controls; false when the control is not its own.
  bool OnCommand(int id, int code);
  // kTestDoneMessage: shows what the finished Test or list run brought.
  void OnTestDone();
  // Its fields as typed, the controller resolved to its model number where it can be.
  void Collect(SettingsText& text) const;
  // The control of one of its fields, by the field's label; 0 for another field.
  static int ControlOf(const std::string& field);

 private:
  void LoadModels();
  void OnListDone();
  void ListModels(const std::string& typed, bool drop_down);
  void ShowModel(int number);
  void Browse();
  void StartTest();
  void UpdateEnabled();
  std::string ModelName(int number) const;

  HWND dialog_;
  std::function<std::optional<Settings>()> checked_;
  std::vector<RotatorModel> models_;
  std::string listed_path_;
  std::string found_;      // "Found on PATH (...)" while the path is the one found
  int pending_model_ = 0;  // the stored controller, shown by its label once the list is read
  std::thread list_;
  CancelSignal list_cancel_;
  std::thread test_;
  CancelSignal test_cancel_;
  std::unique_ptr<RotctldPause> pause_;  // RotServer's own rotctld, while the Test needs its port
  std::mutex mutex_;                     // guards the two results below
  std::optional<TestOutcome> outcome_;
  std::optional<ModelList> list_result_;
};

}  // namespace rotserver
