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
inline constexpr const char* kValueRotctldPath = "RotctldPath";
inline constexpr const char* kValueModel = "RotctldModel";
inline constexpr const char* kValueDevice = "RotctldPort";
inline constexpr const char* kValueSpeed = "RotctldSpeed";
inline constexpr const char* kValueRotatorRange = "RotatorRange";


// Nothing when no setting of the rotator is stored yet (the first start; the window's place,
// station and presets may be). Otherwise the settings with every stored value that cannot be
// used named as a problem (see CheckStoredSettings).
std::optional<LoadedSettings> LoadSettings();
// The usable settings: the defaults for what is not stored (the first start) or cannot be used.
Settings LoadUsableSettings();
// The network doors' values ("ServeRotctld", "ServeN1mm", "N1mmRotorName", "N1mmStatusTo",
// "HoldOffSeconds") into *settings; what is missing or unusable leaves a door off.
void ReadDoorSettings(Settings* settings);

// What a save writes: the settings dialog writes all; the window (its place, stay on top,
// station and presets) writes only its own values, so that a rotator value stored wrongly
// stays as it is until the operator corrects it in the settings.
enum class SettingsScope { kAll, kWindowOnly };

// Writes every value of `scope` or none: false, with the reason, when the key or a value
// cannot be written; the values stored before are then put back, and the reason says so.
bool SaveSettings(const Settings& settings, std::string* error,
                  SettingsScope scope = SettingsScope::kAll);

}  // namespace rotserver
