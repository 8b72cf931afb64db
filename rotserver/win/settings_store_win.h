// RotServer's settings in HKCU\Software\Vexal.
#pragma once

#include <optional>
#include <string>

#include "core/settings.h"

namespace rotserver {

// Nothing when no RotServer setting is stored yet (the first start); stored values that do not
// parse fall back to their defaults one by one.
std::optional<Settings> LoadSettings();
// False, with the reason, when the key cannot be written.
bool SaveSettings(const Settings& settings, std::string* error);

}  // namespace rotserver
