// The rotctld part of the settings dialog: finds rotctld.exe, fills the controller list from
// that rotctld's "-l", the serial ports, speeds and range choices, enables what applies to the
// chosen backend, and runs the Test on a thread of its own so that the dialog stays usable.
#pragma once

#include <windows.h>

#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "rotserver/core/rotator_models.h"
#include "rotserver/core/settings.h"
#include "rotserver/win/rotctld_process_win.h"

namespace rotserver {

// Posted to the dialog when a Test has finished.
inline constexpr UINT kTestDoneMessage = WM_APP + 18;

std::string ControlText(HWND dialog, int id);
// A combo box's chosen item, which during CBN_SELCHANGE its own text does not show yet; what
// is typed when nothing is chosen.
std::string ChosenText(HWND dialog, int id);

class RotctldSetupPart {
 public:
  // `checked` reads and checks the whole dialog, refusing an invalid field as OK does.
  RotctldSetupPart(HWND dialog, std::function<std::optional<Settings>()> checked);
  ~RotctldSetupPart();  // waits for a running Test (bounded by the Test's own budget)
  RotctldSetupPart(const RotctldSetupPart&) = delete;
  RotctldSetupPart& operator=(const RotctldSetupPart&) = delete;

  void Fill(const Settings& current);
  // WM_COMMAND for one of its controls; false when the control is not its own.
  bool OnCommand(int id, int code);
  void OnTestDone();
  // Its fields as typed, the controller resolved to its model number where it can be.
  void Collect(SettingsText& text) const;
  // The control of one of its fields, by the field's label; 0 for another field.
  static int ControlOf(const std::string& field);

 private:
  void LoadModels();
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
  std::thread test_;
  std::mutex mutex_;
  std::optional<TestOutcome> outcome_;
};

}  // namespace rotserver
