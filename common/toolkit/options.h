// The tools' command lines: one reader, one table of known options per tool, one error.
// No Win32 here: RotServer's core and the native unit tests use it too.
//
// Every complaint about a command line is a UsageError whose message names the option and what
// was wrong with it; a tool's main catches it, prints UsageLine and exits with kUsageStatus.
#pragma once

#include <cstddef>
#include <initializer_list>
#include <limits>
#include <optional>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace toolkit {

class UsageError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The exit status of every tool whose command line was refused: 64, EX_USAGE of the BSD
// sysexits, which none of the tools uses for a result of its run (2 and 3 are taken: "not
// acknowledged", "the partner misbehaved", "a failed measurement").
inline constexpr int kUsageStatus = 64;

// "<tool>: <message> (--help lists the options)" and a line end.
std::string UsageLine(std::string_view tool, const UsageError& error);

enum class Takes {
  kNothing,  // a flag
  kValue,    // one value, the next argument whatever it looks like; at most once
  kValues,   // the same, repeatable: All() gives every value in command-line order
};

struct OptionSpec {
  // The option's name, then any other spellings, separated by blanks: "--help -h /?".
  std::string_view names;
  Takes takes = Takes::kNothing;
};

// What the reader does with an argument that is no option in the table.
enum class Others {
  kRefused,  // every one is an error
  kWords,    // words are kept (words()); an unknown "--name" is an error
  kAll,      // all are kept as words, unknown "--names" too
};

class Options {
 public:
  // Reads `args` (the command line without the program name). Throws UsageError for an unknown
  // option, a missing value, a second use of an option that is not kValues, or a word that
  // `others` refuses. Queries name an option by its first spelling in `table`; a query for a
  // name not in the table is the tool's own bug and throws std::logic_error. The table must
  // outlive the Options: tools keep theirs static.
  Options(const std::vector<std::string>& args, std::span<const OptionSpec> table,
          Others others = Others::kRefused);

  bool Has(std::string_view name) const;
  std::string Text(std::string_view name, std::string fallback = "") const;
  // The same, but a value given as "" is refused ("--log needs a value").
  std::string NonEmpty(std::string_view name, std::string fallback = "") const;
  // Throws UsageError when the option is absent.
  std::string Required(std::string_view name) const;
  // Every value of the option, in order; empty when absent.
  std::vector<std::string> All(std::string_view name) const;

  // A whole decimal number from `min` to `max`: digits only, a minus sign only where `min` is
  // negative, no blanks, no plus sign, nothing after the digits.
  long long Number(std::string_view name, long long fallback, long long min, long long max) const;
  // The same over the whole range of T.
  template <typename T>
  T Number(std::string_view name, T fallback) const {
    static_assert(sizeof(T) < sizeof(long long) || std::numeric_limits<T>::is_signed);
    return static_cast<T>(
        Number(name, fallback, std::numeric_limits<T>::min(), std::numeric_limits<T>::max()));
  }
  // A comma list of such numbers ("3,100"), one at least; empty when the option is absent.
  // For a kValues option, the lists of every use one after the other.
  std::vector<long long> Numbers(std::string_view name, long long min, long long max) const;

  // One of the listed words, mapped to its meaning; `fallback` when absent.
  template <typename T>
  T Choice(std::string_view name, std::initializer_list<std::pair<std::string_view, T>> choices,
           T fallback) const {
    if (!Has(name)) return fallback;
    std::string value = Text(name);
    for (const auto& [word, meaning] : choices)
      if (word == value) return meaning;
    std::vector<std::string_view> words;
    for (const auto& choice : choices) words.push_back(choice.first);
    throw BadChoice(name, value, words);
  }

  // The arguments kept by Others::kWords or kAll, in order.
  const std::vector<std::string>& words() const { return words_; }

 private:
  const OptionSpec& Spec(std::string_view name) const;
  const std::string* Value(std::string_view name) const;
  static UsageError BadChoice(std::string_view name, std::string_view value,
                              const std::vector<std::string_view>& words);

  std::span<const OptionSpec> table_;
  std::vector<std::pair<std::string_view, std::string>> given_;  // first spelling, value
  std::vector<std::string> words_;
};

// Strict whole-number reading for parts of a value (the 45 of "--turn 120@45"): as Number
// reads a value, but nothing instead of an error.
std::optional<long long> WholeNumber(std::string_view text, long long min, long long max);

// Removes the leading sub-command from `args` and returns it. Throws UsageError when there is
// none or it is not one of `commands`.
std::string TakeCommand(std::vector<std::string>& args,
                        std::initializer_list<std::string_view> commands);

}  // namespace toolkit
