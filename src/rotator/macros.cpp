#include "rotator/macros.h"

#include "rotator/number_text.h"

namespace vexal {

std::vector<std::string> GreetingLines() {
  return {"HS "};
}

std::vector<std::string> TargetCommandLines(double target, double second) {
  return {TenthsText(target), TenthsText(second), "0"};
}

}  // namespace vexal
