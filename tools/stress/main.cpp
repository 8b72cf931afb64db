// stress: load on the bridge that the simulated partners cannot make (see kUsage).
#include <cstdio>
#include <string>

#include "dde_load.h"
#include "process_usage.h"
#include "report.h"
#include "stress_options.h"
#include "turn_flood.h"

int main(int argc, char** argv) {
  std::string error;
  auto command = stress::ParseCommand(argc, argv, &error);
  if (!command || command->name == "--help" || command->name == "help") {
    if (!command) std::fprintf(stderr, "stress: %s\n\n", error.c_str());
    std::fputs(stress::kUsage, command ? stdout : stderr);
    return command ? 0 : 3;
  }
  stress::Report report(command->name, command->Text("out"));
  int status = 3;
  if (command->name == "macros")
    status = stress::RunMacros(*command, report);
  else if (command->name == "payload")
    status = stress::RunPayload(*command, report);
  else if (command->name == "topic")
    status = stress::RunTopic(*command, report);
  else if (command->name == "turns")
    status = stress::RunTurns(*command, report);
  else if (command->name == "usage")
    status = stress::RunUsage(*command, report);
  else
    report.Add("error", "unknown-command");
  report.Add("status", status).Emit();
  return status;
}
