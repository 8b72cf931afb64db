#include "rotserver/core/rotator_models.h"

#include <algorithm>
#include <cctype>

#include "rotserver/core/plain_text.h"

namespace rotserver {

namespace {

struct Columns {
  std::size_t maker = 0, name = 0, version = 0;
};

// The header names the columns: "Mfg", "Model", and "Version" (or the older "Vers.").
std::optional<Columns> HeaderColumns(std::string_view line) {
  if (line.find("Rot #") == std::string_view::npos) return std::nullopt;
  Columns c;
  c.maker = line.find("Mfg");
  c.name = line.find("Model");
  c.version = line.find("Vers");
  if (c.maker == std::string_view::npos || c.name == std::string_view::npos ||
      c.version == std::string_view::npos || !(c.maker < c.name && c.name < c.version))
    return std::nullopt;
  return c;
}

// The leading model number and where the rest begins.
std::optional<std::pair<int, std::size_t>> LeadingNumber(std::string_view line) {
  std::size_t i = 0;
  while (i < line.size() && line[i] == ' ') ++i;
  const std::size_t start = i;
  long value = 0;
  while (i < line.size() && std::isdigit(static_cast<unsigned char>(line[i])) && i - start < 7)
    value = value * 10 + (line[i++] - '0');
  if (i == start || i >= line.size() || line[i] != ' ' || value <= 0) return std::nullopt;
  return std::make_pair(static_cast<int>(value), i);
}

// The fields after the number, at runs of two or more blanks.
std::vector<std::string> WideFields(std::string_view rest) {
  std::vector<std::string> fields;
  std::size_t i = 0;
  while (i < rest.size()) {
    while (i < rest.size() && rest[i] == ' ') ++i;
    std::size_t end = rest.find("  ", i);
    if (end == std::string_view::npos) end = rest.size();
    if (end > i) fields.emplace_back(Trimmed(rest.substr(i, end - i)));
    i = end;
  }
  return fields;
}

bool FitsColumns(std::string_view line, const Columns& c) {
  return line.size() > c.version && line[c.name - 1] == ' ' && line[c.version - 1] == ' ';
}

std::optional<RotatorModel> ParseRow(std::string_view line, const Columns& c) {
  std::optional<std::pair<int, std::size_t>> number = LeadingNumber(line);
  if (!number) return std::nullopt;
  RotatorModel model;
  model.number = number->first;
  if (FitsColumns(line, c) && number->second <= c.maker) {
    model.maker = std::string(Trimmed(line.substr(c.maker, c.name - c.maker)));
    model.name = std::string(Trimmed(line.substr(c.name, c.version - c.name)));
  } else {
    std::vector<std::string> fields = WideFields(line.substr(number->second));
    if (fields.size() < 2) return std::nullopt;
    model.maker = fields[0];
    model.name = fields[1];
  }
  if (model.name.empty()) return std::nullopt;
  return model;
}

}  // namespace

std::vector<RotatorModel> ParseModelList(std::string_view list_output) {
  std::vector<RotatorModel> models;
  std::optional<Columns> columns;
  while (!list_output.empty()) {
    std::size_t end = list_output.find('\n');
    std::string_view line = list_output.substr(0, end);
    list_output.remove_prefix(end == std::string_view::npos ? list_output.size() : end + 1);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (!columns) {
      columns = HeaderColumns(line);
      continue;
    }
    if (std::optional<RotatorModel> model = ParseRow(line, *columns))
      models.push_back(std::move(*model));
  }
  std::stable_sort(models.begin(), models.end(), [](const RotatorModel& a, const RotatorModel& b) {
    const std::string ma = Lower(a.maker), mb = Lower(b.maker);
    if (ma != mb) return ma < mb;
    return Lower(a.name) < Lower(b.name);
  });
  return models;
}

std::string ModelLabel(const RotatorModel& model) {
  return model.maker + " " + model.name + " (" + std::to_string(model.number) + ")";
}

std::optional<RotatorModel> FindModel(const std::vector<RotatorModel>& models,
                                      std::string_view typed) {
  const std::string want = Lower(Trimmed(typed));
  if (want.empty()) return std::nullopt;
  for (const RotatorModel& m : models)
    if (Lower(ModelLabel(m)) == want || std::to_string(m.number) == want) return m;
  std::vector<const RotatorModel*> exact, starts, contains;
  for (const RotatorModel& m : models) {
    const std::string name = Lower(m.name);
    if (name == want) exact.push_back(&m);
    if (name.rfind(want, 0) == 0) starts.push_back(&m);
    if (Lower(ModelLabel(m)).find(want) != std::string::npos) contains.push_back(&m);
  }
  for (const auto* group : {&exact, &starts, &contains})
    if (group->size() == 1) return *group->front();
  return std::nullopt;
}

}  // namespace rotserver
