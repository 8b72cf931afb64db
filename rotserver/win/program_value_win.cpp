#include "rotserver/win/program_value_win.h"

#include <optional>

#include "rotserver/core/rotctld_command.h"
#include "rotserver/win/machine_survey_win.h"
#include "winui/file_exists_win.h"
#include "winui/registry_win.h"
#include "wire/wire.h"

namespace rotserver {

namespace {

std::optional<std::string> StoredProgram() {
  std::optional<winui::RegValue> value =
      winui::GetUserValue(wire::kSettingsKey, wire::kProgramValue);
  if (!value || (value->type != REG_SZ && value->type != REG_EXPAND_SZ)) return std::nullopt;
  return std::string(value->bytes.c_str());
}

std::string Write(const std::string& own) {
  if (!winui::SetUserString(wire::kSettingsKey, wire::kProgramValue, ProgramValueFor(own)))
    return "Logger32-Vexal cannot be told to start this RotServer: its setting cannot be written";
  return "Logger32-Vexal will start this RotServer";
}

}  // namespace

std::string ClaimProgramIfFree() {
  const std::string own = OwnProgramPath();
  if (ChooseProgram(StoredProgram(), own, winui::FileExists) != ProgramChoice::kWrite) return "";
  return Write(own);
}

std::string ClaimProgramAsked(HWND owner) {
  const std::string own = OwnProgramPath();
  const std::optional<std::string> stored = StoredProgram();
  switch (ChooseProgram(stored, own, winui::FileExists)) {
    case ProgramChoice::kOurs:
      return "Logger32-Vexal already starts this RotServer";
    case ProgramChoice::kAskFirst: {
      const std::string question = "Logger32-Vexal now starts " + wire::ProgramPath(*stored) +
                                   ".\n\nLet it start this RotServer instead?\n" + own;
      if (MessageBoxA(owner, question.c_str(), "RotServer", MB_YESNO | MB_ICONQUESTION) != IDYES)
        return "Logger32-Vexal still starts " + wire::ProgramPath(*stored);
      return Write(own);
    }
    case ProgramChoice::kWrite:
      break;
  }
  return Write(own);
}

}  // namespace rotserver
