// RotServer's settings in HKCU\Software\Vexal.
#pragma once

#include <optional>
#include <string>

#include "core/settings.h"

namespace rotserver {

// The values' names beside the bridge's "Program", all REG_SZ.
inline constexpr char kValueBackend[] = "RotatorBackend";  // "rotctld" / "simulated"
inline constexpr char kValueAddress[] = "RotctldAddress";
inline constexpr char kValueCommand[] = "RotctldCommand";
inline constexpr char kValueOffset[] = "CalibrationOffset";
inline constexpr char kValueRangeMode[] = "RangeMode";
inline constexpr char kValuePoll[] = "PollInterval";

// Nothing when no RotServer setting is stored yet (the first start); stored values that do not
// parse fall back to their defaults one by one.
std::optional<Settings> LoadSettings();
// False, with the reason, when the key cannot be written.
bool SaveSettings(const Settings& settings, std::string* error);

}  // namespace rotserver
