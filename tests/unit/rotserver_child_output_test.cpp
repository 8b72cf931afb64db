// rotctld's own words, read from its standard output and error: lines for the log, and the line
// that says why it stopped for the status line.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "rotserver/core/child_output.h"

namespace rotserver {
namespace {

using Lines = std::vector<std::string>;

TEST(RotServerChildOutput, LinesCompleteAcrossPiecesWithEveryKindOfLineEnd) {
  ChildOutput out;
  EXPECT_EQ(out.Add("rotctld Hamlib 4.5"), Lines{});
  EXPECT_EQ(out.Add(".4\r"), Lines{"rotctld Hamlib 4.5.4"});
  EXPECT_EQ(out.Add("\nOpened rot model 603\nrot_open: err"), Lines{"Opened rot model 603"});
  EXPECT_EQ(out.Add("or = IO error\n\n\r\n"), Lines{"rot_open: error = IO error"});
  EXPECT_EQ(out.Add("bell\a tab\tend"), Lines{});
  EXPECT_EQ(out.Finish(), Lines{"bell? tab\tend"}) << "the last line needs no line end";
  EXPECT_EQ(out.Finish(), Lines{});
  EXPECT_EQ(out.LastErrorLine(), "rot_open: error = IO error");
  out.Clear();
  out.Add("Opened rot model 603\n\n\r\n");
  EXPECT_EQ(out.LastErrorLine(), "Opened rot model 603") << "empty lines are not kept";
  out.Add("Shutting down");
  out.Finish();
  EXPECT_EQ(out.LastErrorLine(), "Shutting down") << "kept without its line end";
}

TEST(RotServerChildOutput, TheLastFaultLineIsShownNotTheChatterAfterIt) {
  ChildOutput out;
  EXPECT_EQ(out.LastErrorLine(), "") << "nothing said yet";
  out.Add("Opened rot model 603, 'GS-232B'\n");
  EXPECT_EQ(out.LastErrorLine(), "Opened rot model 603, 'GS-232B'") << "no fault: the last line";
  out.Add("rot_open: error = IO error\nShutting down\n");
  EXPECT_EQ(out.LastErrorLine(), "rot_open: error = IO error");
  out.Add("Unable to open COM7\n");
  EXPECT_EQ(out.LastErrorLine(), "Unable to open COM7");
  out.Add("bind: Permission DENIED\nok\n");
  EXPECT_EQ(out.LastErrorLine(), "bind: Permission DENIED") << "in any letter case";
  out.Clear();
  EXPECT_EQ(out.LastErrorLine(), "") << "a new start forgets the old words";
}

TEST(RotServerChildOutput, MemoryStaysBoundedWhateverTheProgramWrites) {
  ChildOutput out;
  Lines done = out.Add(std::string(ChildOutput::kMaxLineLength * 2 + 5, 'x'));
  ASSERT_EQ(done.size(), 2u) << "an endless line is cut";
  EXPECT_EQ(done[0].size(), ChildOutput::kMaxLineLength);
  EXPECT_EQ(out.Finish(), Lines{"xxxxx"});
  // A fault line stays until kKeptLines lines have come after it, not one more.
  out.Add("rot_open: error = IO error\n");
  std::size_t i = 1;
  for (; i < ChildOutput::kKeptLines; ++i) out.Add("line " + std::to_string(i) + "\n");
  EXPECT_EQ(out.LastErrorLine(), "rot_open: error = IO error");
  out.Add("line " + std::to_string(i++) + "\n");
  EXPECT_EQ(out.LastErrorLine(), "line 20") << "the oldest kept line has gone";
  for (; i < 100; ++i) out.Add("line " + std::to_string(i) + "\n");
  EXPECT_EQ(out.LastErrorLine(), "line 99");
}

}  // namespace
}  // namespace rotserver
