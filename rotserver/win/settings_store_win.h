// RotServer's settings in HKCU\Software\Vexal, one REG_SZ value for each row of SettingRows().
#pragma once

#include <initializer_list>
#include <optional>
#include <string>

#include "rotserver/core/settings.h"

namespace rotserver {

// Nothing when no setting of the rotator is stored yet (the first start; the window's place,
// station and presets may be). Otherwise the settings with every stored value that cannot be
// used named as a problem (see CheckStoredSettings).
std::optional<LoadedSettings> LoadSettings();
// The usable settings: the defaults for what is not stored (the first start) or cannot be used.
Settings LoadUsableSettings();

// Writes every value of `scope` (all with none) or none of them: false, with the reason, when
// the key or a value cannot be written; the values stored before are then put back, and the
// reason says so.
bool SaveSettings(const Settings& settings, std::string* error,
                  std::optional<SettingScope> scope = std::nullopt);
// The same for the values of the rows with these labels only (kFieldPresets...): what the
// operator saved, and nothing else, so that a value stored wrongly stays until it is mended.
bool SaveSettingValues(const Settings& settings, std::string* error,
                       std::initializer_list<const char*> labels);

}  // namespace rotserver
