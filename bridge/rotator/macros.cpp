#include "bridge/rotator/macros.h"

#include "bridge/rotator/number_text.h"
#include "wire/wire.h"

namespace vexal {

std::vector<std::string> GreetingLines() {
  return {wire::kGreetingLine};
}

std::vector<std::string> TargetCommandLines(double target, double second) {
  return {TenthsText(target), TenthsText(second), "0"};
}

}  // namespace vexal
