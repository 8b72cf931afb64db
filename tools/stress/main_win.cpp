// stress: load on the bridge that the simulated partners cannot make (see kUsage).
#include <cstdio>
#include <string>

#include "dde_load_win.h"
#include "process_usage_win.h"
#include "report.h"
#include "stress_options.h"
#include "turn_flood_win.h"

namespace {

int Run(const stress::Command& command) {
  using Runner = int (*)(const stress::Options&, stress::Report&);
  Runner run = command.name == "macros"    ? stress::RunMacros
               : command.name == "payload" ? stress::RunPayload
               : command.name == "topic"   ? stress::RunTopic
               : command.name == "turns"   ? stress::RunTurns
                                           : stress::RunUsage;
  stress::Report report(command.name, command.options.Text("--out"));
  int status = run(command.options, report);
  report.Add("status", status).Emit();
  return status;
}

}  // namespace

int main(int argc, char** argv) {
  try {
    auto command = stress::ParseCommand({argv + 1, argv + argc});
    if (!command) {
      std::fputs(stress::kUsage, stdout);
      return 0;
    }
    return Run(*command);
  } catch (const toolkit::UsageError& e) {
    std::fputs(toolkit::UsageLine("stress", e).c_str(), stderr);
    return toolkit::kUsageStatus;
  }
}
