#include "workload_win.h"

#include "wire/wire.h"

namespace bench {

std::string ConstantStatusMacro() {
  return wire::StatusMacroText(1234, 0, 0);
}

std::string TurningStatusMacro(long i) {
  long degrees = (i % 360) * 13 % 360;
  return wire::StatusMacroText(degrees * 10, i % 2 ? 1 : -1, 0);
}

Answer ExecuteStatusMacro(Client& client, DWORD timeout_ms) {
  return ExecuteMacro(client, ConstantStatusMacro(), timeout_ms);
}

Answer ExecuteMacro(Client& client, const std::string& macro, DWORD timeout_ms) {
  // With its terminating zero: c_str() holds one past size().
  Client::Answer answer = client.Execute({macro.c_str(), macro.size() + 1}, timeout_ms);
  if (answer.returned) return (answer.status & DDE_FACK) ? Answer::kAck : Answer::kNack;
  // A server that answers "not processed" did answer; anything else left no answer.
  return answer.error == DMLERR_NOTPROCESSED ? Answer::kNack : Answer::kNone;
}

}  // namespace bench
