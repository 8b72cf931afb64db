// The bytes of one execute, built from the payload command's options.
#pragma once

#include <string>

namespace stress {

struct PayloadSpec {
  std::string head;           // escapes already resolved
  long long single_line = 0;  // this many 'A', no break
  long long lines = 0;        // "1230" then lines-1 lines "0", each ending CR LF
  long long binary = 0;       // bytes cycling through 1..255 (CR and LF among them)
  bool terminating_zero = true;
};

std::string BuildPayload(const PayloadSpec& spec);

// A status macro of ten lines: azimuth in tenths, turning direction, the rest 0.
std::string StatusMacro(long long azimuth_tenths, long long direction);

}  // namespace stress
