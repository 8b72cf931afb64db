#include "toolkit/options.h"

#include <charconv>

namespace toolkit {

namespace {

std::string_view FirstSpelling(std::string_view names) {
  return names.substr(0, names.find(' '));
}

bool Spells(std::string_view names, std::string_view word) {
  while (!names.empty()) {
    std::size_t blank = names.find(' ');
    if (names.substr(0, blank) == word) return true;
    if (blank == std::string_view::npos) break;
    names.remove_prefix(blank + 1);
  }
  return false;
}

const OptionSpec* Find(std::span<const OptionSpec> table, std::string_view word) {
  for (const OptionSpec& spec : table)
    if (Spells(spec.names, word)) return &spec;
  return nullptr;
}

std::string Range(long long min, long long max) {
  return "from " + std::to_string(min) + " to " + std::to_string(max);
}

std::string Quoted(std::string_view text) {
  return std::string("'").append(text).append("'");
}

// "a, b or c".
std::string Alternatives(std::span<const std::string_view> words) {
  std::string list;
  for (std::size_t i = 0; i < words.size(); ++i) {
    if (i > 0) list += i + 1 == words.size() ? " or " : ", ";
    list += words[i];
  }
  return list;
}

}  // namespace

std::string UsageLine(std::string_view tool, const UsageError& error) {
  return std::string(tool) + ": " + error.what() + " (--help lists the options)\n";
}

Options::Options(const std::vector<std::string>& args, std::span<const OptionSpec> table,
                 Others others)
    : table_(table) {
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& word = args[i];
    const OptionSpec* spec = Find(table, word);
    if (!spec) {
      bool looks_like_option = word.size() > 2 && word.compare(0, 2, "--") == 0;
      if (others == Others::kAll || (others == Others::kWords && !looks_like_option)) {
        words_.push_back(word);
        continue;
      }
      throw UsageError(looks_like_option ? "unknown option " + word
                                         : "unexpected argument " + Quoted(word));
    }
    std::string_view name = FirstSpelling(spec->names);
    if (spec->takes != Takes::kValues && Value(name))
      throw UsageError(std::string(name) + " given twice");
    std::string value;
    if (spec->takes != Takes::kNothing) {
      if (i + 1 >= args.size()) throw UsageError(std::string(name) + " needs a value");
      value = args[++i];
    }
    given_.emplace_back(name, std::move(value));
  }
}

const OptionSpec& Options::Spec(std::string_view name) const {
  for (const OptionSpec& spec : table_)
    if (FirstSpelling(spec.names) == name) return spec;
  throw std::logic_error("option " + std::string(name) + " is not in the tool's table");
}

const std::string* Options::Value(std::string_view name) const {
  for (const auto& [given, value] : given_)
    if (given == name) return &value;
  return nullptr;
}

bool Options::Has(std::string_view name) const {
  Spec(name);
  return Value(name) != nullptr;
}

std::string Options::Text(std::string_view name, std::string fallback) const {
  Spec(name);
  const std::string* value = Value(name);
  return value ? *value : fallback;
}

std::string Options::NonEmpty(std::string_view name, std::string fallback) const {
  Spec(name);
  const std::string* value = Value(name);
  if (value && value->empty()) throw UsageError(std::string(name) + " needs a value");
  return value ? *value : fallback;
}

std::string Options::Required(std::string_view name) const {
  Spec(name);
  const std::string* value = Value(name);
  if (!value) throw UsageError(std::string(name) + " is required");
  return *value;
}

std::vector<std::string> Options::All(std::string_view name) const {
  Spec(name);
  std::vector<std::string> values;
  for (const auto& [given, value] : given_)
    if (given == name) values.push_back(value);
  return values;
}

long long Options::Number(std::string_view name, long long fallback, long long min,
                          long long max) const {
  Spec(name);
  const std::string* value = Value(name);
  if (!value) return fallback;
  if (std::optional<long long> number = WholeNumber(*value, min, max)) return *number;
  throw UsageError(std::string(name) + " must be a whole number " + Range(min, max) + ", not " +
                   Quoted(*value));
}

std::vector<long long> Options::Numbers(std::string_view name, long long min, long long max) const {
  std::vector<long long> numbers;
  for (const std::string& value : All(name)) {
    std::string_view rest = value;
    while (true) {
      std::size_t comma = rest.find(',');
      std::optional<long long> number = WholeNumber(rest.substr(0, comma), min, max);
      if (!number)
        throw UsageError(std::string(name) + " must be a comma list of whole numbers " +
                         Range(min, max) + ", not " + Quoted(value));
      numbers.push_back(*number);
      if (comma == std::string_view::npos) break;
      rest.remove_prefix(comma + 1);
    }
  }
  return numbers;
}

UsageError Options::BadChoice(std::string_view name, std::string_view value,
                              const std::vector<std::string_view>& words) {
  return UsageError(std::string(name) + " must be " + Alternatives(words) + ", not " +
                    Quoted(value));
}

std::optional<long long> WholeNumber(std::string_view text, long long min, long long max) {
  // from_chars takes a minus sign for a signed type: "-0" must not pass as an unsigned zero.
  if (text.empty() || (text[0] == '-' && min >= 0)) return std::nullopt;
  long long value = 0;
  auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size()) return std::nullopt;
  if (value < min || value > max) return std::nullopt;
  return value;
}

std::string TakeCommand(std::vector<std::string>& args,
                        std::initializer_list<std::string_view> commands) {
  std::string list = Alternatives({commands.begin(), commands.size()});
  if (args.empty()) throw UsageError("no command: " + list);
  std::string command = args.front();
  for (std::string_view known : commands) {
    if (known == command) {
      args.erase(args.begin());
      return command;
    }
  }
  throw UsageError("unknown command " + Quoted(command) + ": " + list);
}

}  // namespace toolkit
