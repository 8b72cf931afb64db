// RotServer's settings in HKCU\Software\Vexal.
#pragma once

#include <optional>
#include <string>

#include "rotserver/core/settings.h"
#include "wire/wire.h"

namespace rotserver {

// The values' names beside the bridge's "Program", all REG_SZ.
inline constexpr const char* kValueBackend = wire::kBackendValue;  // "rotctld" / "simulated"
inline constexpr const char* kValueAddress = wire::kRotctldAddressValue;
inline constexpr const char* kValueCommand = wire::kRotctldCommandValue;
inline constexpr const char* kValueOffset = wire::kOffsetValue;
inline constexpr const char* kValueRangeMode = wire::kRangeModeValue;
inline constexpr const char* kValuePoll = wire::kPollValue;
inline constexpr const char* kValueStation = "Station";            // locator or "lat, lon"
inline constexpr const char* kValuePresets = "Presets";            // "EU 45;JA 330;..."
inline constexpr const char* kValueWindowBox = "WindowPlacement";  // "x y width height"
inline constexpr const char* kValueStayOnTop = "StayOnTop";        // "0" / "1"

// Nothing when no RotServer setting is stored yet (the first start); stored values that do not
// parse fall back to their defaults one by one.
std::optional<Settings> LoadSettings();
// False, with the reason, when the key cannot be written.
bool SaveSettings(const Settings& settings, std::string* error);

}  // namespace rotserver
