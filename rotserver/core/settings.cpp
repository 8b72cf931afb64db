#include "rotserver/core/settings.h"

#include <algorithm>
#include <cmath>

#include "rotserver/core/plain_text.h"
#include "rotserver/core/settings_checks.h"

namespace rotserver {

namespace {

constexpr std::size_t kMaxPresetLabel = 6;

bool InScope(const SettingRow& row, std::optional<SettingScope> scope) {
  return !scope || row.scope == *scope;
}

// What no single row can judge: a rotctld that RotServer starts needs its program.
bool CrossChecked(const Settings& s, SettingsError* error) {
  if (s.backend == BackendKind::kRotctld && s.rotctld_model && s.rotctld_command.empty() &&
      s.rotctld_path.empty()) {
    if (error)
      *error = {kFieldRotctldPath,
                std::string(kFieldRotctldPath) +
                    " must be given (Browse... finds it) when a controller is chosen."};
    return false;
  }
  return true;
}

}  // namespace

Presets DefaultPresets() {
  return Settings().presets;
}

const SettingRow* FindSettingRow(std::string_view label) {
  for (const SettingRow& row : SettingRows())
    if (label == row.label) return &row;
  return nullptr;
}

std::optional<Preset> ParsePreset(std::string_view text, int number, std::string* error) {
  text = Trimmed(text);
  const std::size_t blank = text.rfind(' ');
  const std::string label(blank == std::string_view::npos ? "" : Trimmed(text.substr(0, blank)));
  std::optional<int> bearing =
      blank == std::string_view::npos ? std::nullopt : WholeNumber(text.substr(blank + 1), 0, 359);
  if (label.empty() || label.size() > kMaxPresetLabel || label.find(';') != std::string::npos ||
      HasControlCharacter(label) || !bearing) {
    if (error)
      *error = "Preset " + std::to_string(number) +
               " must be a label of 1 to 6 characters (no ';') and a bearing from 0 to "
               "359, e.g. \"EU 45\".";
    return std::nullopt;
  }
  return Preset{label, *bearing};
}

std::string FormatPreset(const Preset& preset) {
  return preset.label + " " + std::to_string(preset.bearing_deg);
}

std::optional<Settings> ParseSettings(const SettingsText& text, SettingsError* error,
                                      std::optional<SettingScope> scope, const Settings& base) {
  Settings out = base;
  for (const SettingRow& row : SettingRows()) {
    if (!InScope(row, scope)) continue;
    std::string message;
    if (!row.read(row, text.*row.text, out, &message)) {
      if (error) *error = {row.label, message};
      return std::nullopt;
    }
  }
  if (InScope(SettingRows().front(), scope) && !CrossChecked(out, error)) return std::nullopt;
  return out;
}

SettingsText FormatSettings(const Settings& settings) {
  SettingsText text;
  for (const SettingRow& row : SettingRows()) text.*row.text = row.write(settings);
  return text;
}

WindowBox FitWindowBox(const WindowBox& box, const WindowBox& work, int min_size) {
  WindowBox out;
  out.width = std::clamp(box.width, std::min(min_size, work.width), work.width);
  out.height = std::clamp(box.height, std::min(min_size, work.height), work.height);
  out.x = std::clamp(box.x, work.x, work.x + work.width - out.width);
  out.y = std::clamp(box.y, work.y, work.y + work.height - out.height);
  return out;
}

namespace {

// The stored text as a message quotes it: a long one by its start and its length.
std::string Quoted(const std::string& text) {
  constexpr std::size_t kShown = 40;
  std::string quoted(1, '"');
  quoted.append(text, 0, kShown);
  if (text.size() <= kShown) return quoted.append(1, '"');
  return quoted.append("...\" (").append(std::to_string(text.size())).append(" characters)");
}

std::string WithoutFullStop(std::string message) {
  if (!message.empty() && message.back() == '.') message.pop_back();
  return message;
}

const StoredValue* Find(const StoredSettings& stored, const char* name) {
  auto it = stored.find(name);
  return it == stored.end() || it->second.kind == StoredValue::Kind::kMissing ? nullptr
                                                                              : &it->second;
}

// The problem with one stored value, or nothing when it can be used (then `usable` has it).
std::optional<SettingsProblem> CheckStored(const SettingRow& row, const StoredValue* value,
                                           bool rotator_stored, Settings& usable) {
  const std::string label = row.label;
  if (!value) {
    if (row.text == &SettingsText::backend && rotator_stored)
      return SettingsProblem{label, label + " is not stored: choose \"simulated\" or \"rotctld\"."};
    return std::nullopt;
  }
  if (value->kind == StoredValue::Kind::kOtherType)
    return SettingsProblem{
        label, label + " is stored as " + value->text + "; it must be a string (REG_SZ)."};
  // "simulate" is what older versions stored for the simulated rotator.
  const bool older = row.text == &SettingsText::backend && value->text == "simulate";
  std::string message;
  Settings trial = usable;
  if (row.read(row, older ? std::string_view("simulated") : value->text, trial, &message)) {
    usable = trial;
    return std::nullopt;
  }
  return SettingsProblem{label,
                         WithoutFullStop(message) + " (stored: " + Quoted(value->text) + ")."};
}

// An unusable address, command or port is kept as stored, so that the dialog shows it to be
// mended; the rotator is not driven meanwhile.
void KeepForTheDialog(const SettingRow& row, const std::string& text, Settings& settings) {
  if (row.text == &SettingsText::rotctld_address) settings.rotctld_address = text;
  if (row.text == &SettingsText::rotctld_command) settings.rotctld_command = text;
  if (row.text == &SettingsText::rotctld_device) settings.rotctld_device = text;
}

}  // namespace

bool RotatorStored(const StoredSettings& stored) {
  for (const SettingRow& row : SettingRows())
    if (row.scope == SettingScope::kRotator && Find(stored, row.value_name)) return true;
  return false;
}

LoadedSettings CheckStoredSettings(const StoredSettings& stored) {
  LoadedSettings out;
  const bool rotator_stored = RotatorStored(stored);
  std::vector<std::pair<const SettingRow*, std::string>> kept;
  for (const SettingRow& row : SettingRows()) {
    const StoredValue* value = Find(stored, row.value_name);
    std::optional<SettingsProblem> problem = CheckStored(row, value, rotator_stored, out.settings);
    if (!problem) continue;
    (row.scope == SettingScope::kWindow ? out.window_problems : out.problems)
        .push_back(std::move(*problem));
    if (value && value->kind == StoredValue::Kind::kString) kept.emplace_back(&row, value->text);
  }
  SettingsError cross;
  if (rotator_stored && !CrossChecked(out.settings, &cross)) out.problems.push_back(cross);
  for (const auto& [row, text] : kept) KeepForTheDialog(*row, text, out.settings);
  return out;
}

std::string ProblemsText(const std::vector<SettingsProblem>& problems) {
  std::string text = "bad settings:";
  for (const SettingsProblem& problem : problems) text += " " + problem.message;
  return text;
}

std::optional<std::string> WriteAllOrNone(
    std::size_t count, const std::function<std::optional<std::string>(std::size_t)>& write,
    const std::function<bool(std::size_t)>& restore) {
  for (std::size_t i = 0; i < count; ++i) {
    std::optional<std::string> failure = write(i);
    if (!failure) continue;
    bool all_back = true;
    for (std::size_t back = i + 1; back-- > 0;) all_back = restore(back) && all_back;
    return *failure + (all_back ? "; the settings stored before were put back"
                                : "; the settings stored before could not all be put back");
  }
  return std::nullopt;
}

}  // namespace rotserver
