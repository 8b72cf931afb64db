// When RotServer starts the supervised rotctld again, and what its command line takes.
#include <gtest/gtest.h>

#include "rotserver/core/command_line.h"
#include "rotserver/core/restart_policy.h"

namespace rotserver {
namespace {

TEST(RotServerRestart, PauseDoublesWhileItKeepsFailingUpToHalfAMinute) {
  RestartPolicy policy;
  std::int64_t now = 5000;
  std::vector<std::int64_t> pauses;
  for (int i = 0; i < 7; ++i) {
    policy.Started(now);
    now += 200;  // dies at once
    std::int64_t due = policy.Exited(now);
    pauses.push_back(due - now);
    now = due;
  }
  EXPECT_EQ(pauses, (std::vector<std::int64_t>{1000, 2000, 4000, 8000, 16000, 30000, 30000}));
}

TEST(RotServerRestart, AHealthyRunStartsTheBackoffAfresh) {
  RestartPolicy policy;
  policy.Started(0);
  EXPECT_EQ(policy.Exited(100), 1100);
  policy.Started(1100);
  EXPECT_EQ(policy.Exited(1200), 3200);
  policy.Started(3200);
  EXPECT_EQ(policy.Exited(3200 + 59999), 3200 + 59999 + 4000);  // not quite healthy
  policy.Started(70000);
  EXPECT_EQ(policy.Exited(130000), 131000);  // ran a minute
}

TEST(RotServerRestart, StartsThatFailAreRetriedEverLaterToo) {
  // No such program: it never starts, so there is no run to call healthy.
  RestartPolicy policy;
  std::int64_t now = 100000;
  std::vector<std::int64_t> pauses;
  for (int i = 0; i < 7; ++i) {
    std::int64_t due = i % 2 ? policy.StartFailed(now) : policy.Exited(now);
    pauses.push_back(due - now);
    now = due;
  }
  EXPECT_EQ(pauses, (std::vector<std::int64_t>{1000, 2000, 4000, 8000, 16000, 30000, 30000}));
  // Once it does start and runs a minute, the next end is soon retried again.
  policy.Started(now);
  EXPECT_EQ(policy.Exited(now + 60000), now + 61000);
}

TEST(RotServerCommandLine, LogFileTakenAndWhatTheBridgePassesIgnored) {
  std::string error;
  auto parsed = ParseCommandLine({"RotServer", "RotServConv", "--log", "C:\\t\\rs.log"}, &error);
  ASSERT_TRUE(parsed);
  EXPECT_EQ(parsed->log_path, "C:\\t\\rs.log");
  EXPECT_EQ(parsed->ignored, (std::vector<std::string>{"RotServer", "RotServConv"}));

  // Whatever else the registry's Program value holds is tolerated, unknown options too.
  parsed = ParseCommandLine({"--frob", "-x", "/?"}, &error);
  ASSERT_TRUE(parsed);
  EXPECT_EQ(parsed->log_path, "");
  EXPECT_EQ(parsed->ignored, (std::vector<std::string>{"--frob", "-x", "/?"}));

  EXPECT_FALSE(ParseCommandLine({"--log"}, &error));
  EXPECT_EQ(error, "--log needs a value");
  EXPECT_FALSE(ParseCommandLine({"--log", ""}, &error));
  EXPECT_EQ(error, "--log needs a value");
}

}  // namespace
}  // namespace rotserver
