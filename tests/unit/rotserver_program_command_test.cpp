// The rotctld command line split into the program RotServer starts and its arguments: never a
// shorter name that Windows would try first (C:\Program.exe for C:\Program Files\...).
#include <gtest/gtest.h>

#include <string>

#include "rotserver/core/program_command.h"

namespace rotserver {
namespace {

struct Split {
  const char* typed;
  const char* program;
  const char* arguments;
  const char* command_line;  // as handed to CreateProcess
};

TEST(RotServerProgramCommand, ProgramIsTheQuotedWordOrTheTextUpToTheFirstExe) {
  const Split cases[] = {
      {"C:\\Program Files\\Hamlib\\rotctld.exe -m 1 -t 4591",
       "C:\\Program Files\\Hamlib\\rotctld.exe", "-m 1 -t 4591",
       "\"C:\\Program Files\\Hamlib\\rotctld.exe\" -m 1 -t 4591"},
      {"\"C:\\Program Files\\Hamlib\\rotctld.exe\" -m 603 -r COM3",
       "C:\\Program Files\\Hamlib\\rotctld.exe", "-m 603 -r COM3",
       "\"C:\\Program Files\\Hamlib\\rotctld.exe\" -m 603 -r COM3"},
      {"  C:\\Hamlib\\ROTCTLD.EXE\t-m 1  ", "C:\\Hamlib\\ROTCTLD.EXE", "-m 1",
       "\"C:\\Hamlib\\ROTCTLD.EXE\" -m 1"},
      // ".exe" inside a word does not end the program; the first one that ends a word does.
      {"C:\\my.exe.d\\rot ctld.exe -m 1", "C:\\my.exe.d\\rot ctld.exe", "-m 1",
       "\"C:\\my.exe.d\\rot ctld.exe\" -m 1"},
      {"C:\\a b.exe\\rotctld.exe -m 1", "C:\\a b.exe\\rotctld.exe", "-m 1",
       "\"C:\\a b.exe\\rotctld.exe\" -m 1"},
      // Without ".exe", the first word: the program is found on the PATH by its name.
      {"rotctld -m 603 -r COM3", "rotctld", "-m 603 -r COM3", "\"rotctld\" -m 603 -r COM3"},
      {"\"C:\\Hamlib\\rotctld.exe\"-m 1", "C:\\Hamlib\\rotctld.exe", "-m 1",
       "\"C:\\Hamlib\\rotctld.exe\" -m 1"},
  };
  for (const Split& c : cases) {
    std::string error;
    auto split = SplitProgramCommand(c.typed, &error);
    ASSERT_TRUE(split) << c.typed << ": " << error;
    EXPECT_EQ(split->program, c.program) << c.typed;
    EXPECT_EQ(split->arguments, c.arguments) << c.typed;
    EXPECT_EQ(QuotedCommandLine(*split), c.command_line) << c.typed;
  }
}

TEST(RotServerProgramCommand, ACommandThatNamesNoProgramIsRefusedInWords) {
  const std::pair<const char*, const char*> cases[] = {
      {"", "the command line names no program"},
      {"   ", "the command line names no program"},
      {"\"\" -m 1", "the quotes at the start name no program"},
      {"\"C:\\Program Files\\Hamlib\\rotctld.exe -m 1",
       "the double quote before the program is never closed"},
  };
  for (const auto& [typed, reason] : cases) {
    std::string error;
    EXPECT_FALSE(SplitProgramCommand(typed, &error)) << typed;
    EXPECT_EQ(error, reason) << typed;
  }
}

}  // namespace
}  // namespace rotserver
