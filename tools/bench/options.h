// "--name value" options of one driver sub-command.
#pragma once

#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace bench {

class Options {
 public:
  // Throws std::invalid_argument for a word that is not an option, an option without a value,
  // a repeated option or a name not in `known`.
  Options(const std::vector<std::string>& args, const std::vector<std::string_view>& known);

  bool Has(std::string_view name) const;
  // Throws std::invalid_argument naming the option when it is missing.
  std::string Required(std::string_view name) const;
  std::string Text(std::string_view name, const std::string& fallback) const;
  // A whole decimal number within [min, max]; throws std::invalid_argument otherwise.
  long Number(std::string_view name, long fallback, long min, long max) const;

 private:
  std::map<std::string, std::string, std::less<>> values_;
};

}  // namespace bench
