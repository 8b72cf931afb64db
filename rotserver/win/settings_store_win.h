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

// Nothing when no RotServer setting is stored yet (the first start). Otherwise the settings
// with every stored value that cannot be used named as a problem (see CheckStoredSettings).
std::optional<LoadedSettings> LoadSettings();
// Writes every value or none: false, with the reason, when the key or a value cannot be
// written; the values stored before are then put back, and the reason says so.
bool SaveSettings(const Settings& settings, std::string* error);

}  // namespace rotserver
