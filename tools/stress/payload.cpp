#include "payload.h"
#include "wire/wire.h"

namespace stress {

std::string BuildPayload(const PayloadSpec& spec) {
  std::string data = spec.head;
  data.append(static_cast<std::size_t>(spec.single_line), 'A');
  if (spec.lines > 0) {
    data += "1230\r\n";
    data.reserve(data.size() + static_cast<std::size_t>(spec.lines) * 3);
    for (long long i = 1; i < spec.lines; ++i) data += "0\r\n";
  }
  for (long long i = 0; i < spec.binary; ++i) data += static_cast<char>(i % 255 + 1);
  if (spec.terminating_zero) data += '\0';
  return data;
}

std::string StatusMacro(long long azimuth_tenths, long long direction) {
  return wire::StatusMacroText(azimuth_tenths, direction, 0);
}

}  // namespace stress
