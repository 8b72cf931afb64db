#include "rotator/service_rule.h"

namespace vexal {

namespace {
constexpr std::size_t kExtensionLength = 4;  // ".exe", but nothing checks that it is one
}

std::string RotatorServiceName(const std::string& program) {
  const std::size_t separator = program.find_last_of("\\:");
  const std::string file = separator == std::string::npos ? program : program.substr(separator + 1);
  if (file.size() <= kExtensionLength) return {};
  return file.substr(0, file.size() - kExtensionLength);
}

}  // namespace vexal
