// One result line per command: "name key=value ...", to standard output and to --out.
#pragma once

#include <string>

namespace stress {

class Report {
 public:
  Report(std::string name, std::string out_path);
  Report& Add(const std::string& key, const std::string& value);
  Report& Add(const std::string& key, long long value);
  // Writes the line; call once.
  void Emit();

 private:
  std::string line_;
  std::string out_path_;
};

}  // namespace stress
