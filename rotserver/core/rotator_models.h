// The rotator models a rotctld knows, as its "-l" lists them: read from that rotctld's own
// output, so that another Hamlib version brings its own list. No Win32 here.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace rotserver {

struct RotatorModel {
  int number = 0;     // Hamlib's model number, rotctld's -m
  std::string maker;  // "Yaesu"
  std::string name;   // "GS-232B"
};

// The models of `list_output` (rotctld -l), sorted by maker and name (case ignored). The column
// starts come from the header line ("Rot #  Mfg  Model  Version ..."), whose widths and trailing
// columns have changed across Hamlib versions; a row whose maker overflows its column is split
// at runs of two blanks instead. Lines that are no model row are skipped.
std::vector<RotatorModel> ParseModelList(std::string_view list_output);

// "Yaesu GS-232B (603)": how the drop-down shows a model.
std::string ModelLabel(const RotatorModel& model);

// The model an operator means by `typed`: a label as shown, a model number, or a piece of a
// label ("gs-232b") that begins exactly one model's name or, failing that, is found in exactly
// one label. Nothing when it fits none or several.
std::optional<RotatorModel> FindModel(const std::vector<RotatorModel>& models,
                                      std::string_view typed);

}  // namespace rotserver
