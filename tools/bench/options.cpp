#include "options.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <stdexcept>

namespace bench {

Options::Options(const std::vector<std::string>& args, const std::vector<std::string_view>& known) {
  for (std::size_t i = 0; i < args.size(); i += 2) {
    const std::string& word = args[i];
    if (word.size() < 3 || word.compare(0, 2, "--") != 0)
      throw std::invalid_argument("unexpected argument '" + word + "'");
    std::string name = word.substr(2);
    if (std::find(known.begin(), known.end(), name) == known.end())
      throw std::invalid_argument("unknown option '" + word + "'");
    if (i + 1 >= args.size()) throw std::invalid_argument("option '" + word + "' needs a value");
    if (!values_.emplace(name, args[i + 1]).second)
      throw std::invalid_argument("option '" + word + "' given twice");
  }
}

bool Options::Has(std::string_view name) const {
  return values_.find(name) != values_.end();
}

std::string Options::Required(std::string_view name) const {
  auto it = values_.find(name);
  if (it == values_.end())
    throw std::invalid_argument("missing option '--" + std::string(name) + "'");
  return it->second;
}

std::string Options::Text(std::string_view name, const std::string& fallback) const {
  auto it = values_.find(name);
  return it == values_.end() ? fallback : it->second;
}

long Options::Number(std::string_view name, long fallback, long min, long max) const {
  auto it = values_.find(name);
  if (it == values_.end()) return fallback;
  const std::string& text = it->second;
  char* end = nullptr;
  errno = 0;
  long value = std::strtol(text.c_str(), &end, 10);
  bool whole = !text.empty() && end == text.c_str() + text.size() && errno == 0 &&
               text.find_first_of(" \t+") == std::string::npos;
  if (!whole || value < min || value > max)
    throw std::invalid_argument("option '--" + std::string(name) + "' must be a number from " +
                                std::to_string(min) + " to " + std::to_string(max) + ", not '" +
                                text + "'");
  return value;
}

}  // namespace bench
