#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "rotctld_protocol.h"

using rotsim::AzimuthLimits;
using rotsim::ParseDumpState;
using rotsim::ParseEndpoint;
using rotsim::ParsePosition;
using rotsim::ReplyKind;
using rotsim::TakeReply;
using Lines = std::vector<std::string>;

namespace {

// What Hamlib 4.5's rotctld -m 1 answers to \dump_state.
const char kDummyDumpState[] =
    "1\n1\nmin_az=-180.000000\nmax_az=450.000000\nmin_el=0.000000\nmax_el=90.000000\n"
    "south_zero=0\nrot_type=AzEl\ndone\n";

TEST(RotctldEndpoint, HostPortDefaultPortAndBracketedIpv6) {
  auto e = ParseEndpoint("127.0.0.1:4533");
  ASSERT_TRUE(e);
  EXPECT_EQ(e->host, "127.0.0.1");
  EXPECT_EQ(e->port, 4533);
  e = ParseEndpoint("rotorpi");
  ASSERT_TRUE(e);
  EXPECT_EQ(e->host, "rotorpi");
  EXPECT_EQ(e->port, 4533);
  e = ParseEndpoint("[::1]:65535");
  ASSERT_TRUE(e);
  EXPECT_EQ(e->host, "::1");
  EXPECT_EQ(e->port, 65535);
}

TEST(RotctldEndpoint, RefusesWhatCannotBeMeant) {
  for (const char* bad : {"", ":4533", "host:", "host:0", "host:65536", "host:45x", "host: 45",
                          "::1", "[::1", "[::1]4533", "host:-1"})
    EXPECT_FALSE(ParseEndpoint(bad)) << "'" << bad << "'";
}

TEST(RotctldReplyFraming, PositionWaitsForBothLinesAndLeavesTheRest) {
  std::string buffer = "12.50\n";
  EXPECT_FALSE(TakeReply(buffer, ReplyKind::kPosition));
  EXPECT_EQ(buffer, "12.50\n");  // nothing consumed while incomplete
  buffer += "3.00\r\nRPRT 0\n1.0";
  EXPECT_EQ(TakeReply(buffer, ReplyKind::kPosition), (Lines{"12.50", "3.00"}));
  EXPECT_EQ(TakeReply(buffer, ReplyKind::kReport), Lines{"RPRT 0"});
  EXPECT_EQ(buffer, "1.0");
}

TEST(RotctldReplyFraming, AnErrorReportIsOneLineWhateverWasAsked) {
  std::string buffer = "RPRT -11\n0.00\n";
  EXPECT_EQ(TakeReply(buffer, ReplyKind::kPosition), Lines{"RPRT -11"});
  buffer = "RPRT -1\n";
  EXPECT_EQ(TakeReply(buffer, ReplyKind::kDumpState), Lines{"RPRT -1"});
  EXPECT_TRUE(buffer.empty());
}

TEST(RotctldReplyFraming, ReportTakesChatterBeforeIt) {
  std::string buffer = "set_pos: 1\n";
  EXPECT_FALSE(TakeReply(buffer, ReplyKind::kReport));
  buffer += "RPRT 0\n";
  EXPECT_EQ(TakeReply(buffer, ReplyKind::kReport), (Lines{"set_pos: 1", "RPRT 0"}));
}

TEST(RotctldReplyFraming, DumpStateEndsAtDoneOrAfterSixLinesOfProtocolZero) {
  std::string full = kDummyDumpState;
  std::string buffer = full.substr(0, full.size() - 5);  // "done\n" still missing
  EXPECT_FALSE(TakeReply(buffer, ReplyKind::kDumpState));
  buffer = full + "0.00\n";
  auto lines = TakeReply(buffer, ReplyKind::kDumpState);
  ASSERT_TRUE(lines);
  EXPECT_EQ(lines->size(), 9u);
  EXPECT_EQ(buffer, "0.00\n");

  buffer = "0\n1\n0.000000\n360.000000\n0.000000\n";
  EXPECT_FALSE(TakeReply(buffer, ReplyKind::kDumpState));
  buffer += "90.000000\n0.00\n";
  lines = TakeReply(buffer, ReplyKind::kDumpState);
  ASSERT_TRUE(lines);
  EXPECT_EQ(lines->size(), 6u);
  EXPECT_EQ(buffer, "0.00\n");
}

TEST(RotctldReplies, PositionNumbers) {
  auto p = ParsePosition({"-10.00", "45.5"});
  ASSERT_TRUE(p);
  EXPECT_DOUBLE_EQ(p->azimuth, -10.0);
  EXPECT_DOUBLE_EQ(p->elevation, 45.5);
  p = ParsePosition({"+359.94 ", "0"});
  ASSERT_TRUE(p);
  EXPECT_DOUBLE_EQ(p->azimuth, 359.94);
  EXPECT_FALSE(ParsePosition({"RPRT -1"}));
  EXPECT_FALSE(ParsePosition({"12,5", "0"}));
  EXPECT_FALSE(ParsePosition({"12.5", ""}));
  EXPECT_FALSE(ParsePosition({"nan", "0"}));
}

TEST(RotctldReplies, LimitsFromEitherDumpStateLayout) {
  std::string buffer = kDummyDumpState;
  auto limits = ParseDumpState(*TakeReply(buffer, ReplyKind::kDumpState));
  ASSERT_TRUE(limits);
  EXPECT_DOUBLE_EQ(limits->min_az, -180.0);
  EXPECT_DOUBLE_EQ(limits->max_az, 450.0);

  limits = ParseDumpState({"0", "601", "0.000000", "360.000000", "0.000000", "90.000000"});
  ASSERT_TRUE(limits);
  EXPECT_DOUBLE_EQ(limits->min_az, 0.0);
  EXPECT_DOUBLE_EQ(limits->max_az, 360.0);

  EXPECT_FALSE(ParseDumpState({"RPRT -1"}));
  EXPECT_FALSE(ParseDumpState({"1", "1", "min_az=0", "done"}));                // no max_az
  EXPECT_FALSE(ParseDumpState({"1", "1", "min_az=90", "max_az=10", "done"}));  // inverted
}

TEST(RotctldCommands, SetPositionInTenthsWithTheElevationKept) {
  EXPECT_EQ(rotsim::SetPositionCommand(120, 12.5), "P 120.0 12.50\n");
  EXPECT_EQ(rotsim::SetPositionCommand(-179, 0), "P -179.0 0.00\n");
}

}  // namespace
