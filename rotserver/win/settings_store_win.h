// RotServer's settings in HKCU\Software\Vexal, one REG_SZ value for each row of SettingRows().
#pragma once

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

// What a save writes: the settings dialog writes all; the window (its place, stay on top,
// station and presets) writes only its own values, so that a rotator value stored wrongly
// stays as it is until the operator corrects it in the settings.
enum class SettingsScope { kAll, kWindowOnly };

// Writes every value of `scope` or none: false, with the reason, when the key or a value
// cannot be written; the values stored before are then put back, and the reason says so.
bool SaveSettings(const Settings& settings, std::string* error,
                  SettingsScope scope = SettingsScope::kAll);

}  // namespace rotserver
