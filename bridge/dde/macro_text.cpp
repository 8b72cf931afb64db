#include "bridge/dde/macro_text.h"

namespace vexal::dde {

std::vector<std::string> SplitMacroLines(std::string_view text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  std::size_t i = 0;
  while (i < text.size()) {
    char c = text[i];
    if (c != '\r' && c != '\n') {
      ++i;
      continue;
    }
    lines.emplace_back(text.substr(start, i - start));
    // CR LF is one break; LF CR is two.
    i += (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ? 2 : 1;
    start = i;
  }
  if (start < text.size()) lines.emplace_back(text.substr(start));
  return lines;
}

std::string MacroText(const std::vector<std::string>& lines) {
  std::string text;
  for (const auto& line : lines) {
    std::size_t zero = line.find('\0');
    if (zero != std::string::npos) {
      text.append(line, 0, zero);
      return text;
    }
    text += line;
    text += "\r\n";
  }
  return text;
}

std::string ServiceNameFromPath(std::string_view module_path) {
  std::size_t sep = module_path.find_last_of("\\:");
  std::string_view name = sep == std::string_view::npos ? module_path : module_path.substr(sep + 1);
  return std::string(name.substr(0, name.find('.')));
}

}  // namespace vexal::dde
