#include "report.h"

#include <cstdio>
#include <fstream>

namespace stress {

Report::Report(std::string name, std::string out_path)
    : line_(std::move(name)), out_path_(std::move(out_path)) {}

Report& Report::Add(const std::string& key, const std::string& value) {
  line_ += " " + key + "=" + value;
  return *this;
}

Report& Report::Add(const std::string& key, long long value) {
  return Add(key, std::to_string(value));
}

void Report::Emit() {
  std::printf("%s\n", line_.c_str());
  std::fflush(stdout);
  if (out_path_.empty()) return;
  std::ofstream out(out_path_, std::ios::binary | std::ios::app);
  out << line_ << "\n";
}

}  // namespace stress
