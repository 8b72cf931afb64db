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
inline constexpr const char* kValueRotctldPath = "RotctldPath";
inline constexpr const char* kValueModel = "RotctldModel";
inline constexpr const char* kValueDevice = "RotctldPort";
inline constexpr const char* kValueSpeed = "RotctldSpeed";
inline constexpr const char* kValueRotatorRange = "RotatorRange";

// "text of the system message (code)": RotServer's words for a Windows error code.
std::string WindowsError(long code);

// Nothing when no RotServer setting is stored yet (the first start); stored values that do not
// parse fall back to their defaults one by one.
std::optional<Settings> LoadSettings();
// False, with the reason, when the key cannot be written.
bool SaveSettings(const Settings& settings, std::string* error);

}  // namespace rotserver
