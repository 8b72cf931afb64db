// The tools' command-line reader: what it takes, and that every complaint names the option.
#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "toolkit/options.h"

namespace toolkit {
namespace {

using Args = std::vector<std::string>;

const OptionSpec kTable[] = {
    {"--help -h /?"},           {"--silent"},
    {"--log", Takes::kValue},   {"--count", Takes::kValue},
    {"--speed", Takes::kValue}, {"--refuse", Takes::kValues},
    {"--exec", Takes::kValues}, {"--ack", Takes::kValue},
};

// The message of the UsageError that reading `args` (then `query`) throws; "" when none.
template <typename Query>
std::string Complaint(const Args& args, Query query, Others others = Others::kRefused) {
  try {
    query(Options(args, kTable, others));
  } catch (const UsageError& e) {
    return e.what();
  }
  return "";
}

std::string Complaint(const Args& args, Others others = Others::kRefused) {
  return Complaint(
      args, [](const Options&) {}, others);
}

TEST(Options, FlagsValuesSpellingsAndFallbacks) {
  Options o({"-h", "--log", "C:\\t\\sim.log", "--count", "2000"}, kTable);
  EXPECT_TRUE(o.Has("--help"));
  EXPECT_FALSE(o.Has("--silent"));
  EXPECT_EQ(o.Text("--log"), "C:\\t\\sim.log");
  EXPECT_EQ(o.Number("--count", 1, 1, 5000), 2000);
  EXPECT_EQ(o.Text("--ack", "fack"), "fack");
  EXPECT_EQ(o.Number<unsigned>("--speed", 6u), 6u);
  EXPECT_TRUE(Options({"/?"}, kTable).Has("--help"));
  // A value may look like anything, even an option.
  EXPECT_EQ(Options({"--log", "--odd title--"}, kTable).Required("--log"), "--odd title--");
  EXPECT_EQ(Options({"--log", ""}, kTable).Text("--log", "x"), "");
}

TEST(Options, MissingValuesUnknownNamesAndRepeatsAreNamed) {
  EXPECT_EQ(Complaint({"--count", "5", "--log"}), "--log needs a value");
  EXPECT_EQ(Complaint({"--frob"}), "unknown option --frob");
  EXPECT_EQ(Complaint({"--count", "1", "--count", "2"}), "--count given twice");
  EXPECT_EQ(Complaint({"--silent", "--silent"}), "--silent given twice");
  EXPECT_EQ(Complaint({"-h", "--help"}), "--help given twice");
  EXPECT_EQ(Complaint({"count", "5"}), "unexpected argument 'count'");
  EXPECT_EQ(Complaint({"--"}), "unexpected argument '--'");
  EXPECT_EQ(Complaint({}, [](const Options& o) { o.Required("--log"); }), "--log is required");
  EXPECT_EQ(Complaint({"--log", ""}, [](const Options& o) { o.NonEmpty("--log"); }),
            "--log needs a value");
  // Asking for an option the table lacks is the tool's bug, not the user's.
  EXPECT_THROW(Options({}, kTable).Has("--cuont"), std::logic_error);
}

TEST(Options, RepeatableOptionsKeepEveryValueInOrder) {
  Options o({"--exec", "b", "--silent", "--exec", "a", "--exec", ""}, kTable);
  EXPECT_EQ(o.All("--exec"), (Args{"b", "a", ""}));
  EXPECT_EQ(o.All("--log"), Args{});
}

TEST(Options, NumbersAreWholeAndInRange) {
  auto number = [](const std::string& text) {
    return Options({"--count", text}, kTable).Number("--count", 0, 1, 100);
  };
  EXPECT_EQ(number("1"), 1);
  EXPECT_EQ(number("100"), 100);
  EXPECT_EQ(number("007"), 7);
  for (const char* bad : {"0", "101", "-5", "", "12x", "1.5", " 5", "5 ", "+5", "0x10",
                          "99999999999999999999", "-99999999999999999999"})
    EXPECT_THROW(number(bad), UsageError) << "'" << bad << "'";

  EXPECT_EQ(
      Complaint({"--speed", "x"}, [](const Options& o) { o.Number<unsigned>("--speed", 6u); }),
      "--speed must be a whole number from 0 to 4294967295, not 'x'");
  auto speed = [](const std::string& text) {
    return Options({"--speed", text}, kTable).Number<unsigned>("--speed", 6u);
  };
  EXPECT_EQ(speed("4294967295"), 4294967295u);
  // The sign games that strtoul plays: "-1" would wrap to the largest value, "-0" read as 0.
  for (const char* bad : {"4294967296", "-1", "-0", "18446744073709551615"})
    EXPECT_THROW(speed(bad), UsageError) << "'" << bad << "'";

  // Where the range is signed, a minus sign is a number's own.
  Options negative({"--count", "-2147483648"}, kTable);
  EXPECT_EQ(negative.Number<int>("--count", 0), -2147483648LL);
}

TEST(Options, CommaListsOfNumbers) {
  auto list = [](const Args& args) { return Options(args, kTable).Numbers("--refuse", 1, 5); };
  EXPECT_EQ(list({"--refuse", "3"}), (std::vector<long long>{3}));
  EXPECT_EQ(list({"--refuse", "1,2,5"}), (std::vector<long long>{1, 2, 5}));
  EXPECT_EQ(list({"--refuse", "1", "--refuse", "4,2"}), (std::vector<long long>{1, 4, 2}));
  EXPECT_EQ(list({}), std::vector<long long>{});
  for (const char* bad : {"", ",", "1,", ",1", "1,,2", "1;2", "1, 2", "6", "0,1"})
    EXPECT_THROW(list({"--refuse", bad}), UsageError) << "'" << bad << "'";
  EXPECT_EQ(Complaint({"--refuse", "1,,2"}, [](const Options& o) { o.Numbers("--refuse", 1, 5); }),
            "--refuse must be a comma list of whole numbers from 1 to 5, not '1,,2'");
}

TEST(Options, ChoicesNameTheirWords) {
  enum class Ack { kFack, kBusy, kNotProcessed };
  auto ack = [](const Args& args) {
    return Options(args, kTable)
        .Choice("--ack",
                {{"fack", Ack::kFack}, {"busy", Ack::kBusy}, {"notprocessed", Ack::kNotProcessed}},
                Ack::kFack);
  };
  EXPECT_EQ(ack({}), Ack::kFack);
  EXPECT_EQ(ack({"--ack", "notprocessed"}), Ack::kNotProcessed);
  try {
    ack({"--ack", "Busy"});
    ADD_FAILURE() << "letter case taken";
  } catch (const UsageError& e) {
    EXPECT_STREQ(e.what(), "--ack must be fack, busy or notprocessed, not 'Busy'");
  }
}

TEST(Options, WordsAreKeptOnlyWhenTheToolTakesThem) {
  Options server({"Vexal", "--silent", "RotServConv", "-x"}, kTable, Others::kWords);
  EXPECT_EQ(server.words(), (Args{"Vexal", "RotServConv", "-x"}));
  EXPECT_TRUE(server.Has("--silent"));
  EXPECT_EQ(Complaint({"Vexal", "--frob"}, Others::kWords), "unknown option --frob");

  Options tolerant({"--frob", "--log", "a.log", "x"}, kTable, Others::kAll);
  EXPECT_EQ(tolerant.words(), (Args{"--frob", "x"}));
  EXPECT_EQ(tolerant.Text("--log"), "a.log");
  // A missing value is still an error where everything else is tolerated.
  EXPECT_EQ(Complaint({"x", "--log"}, Others::kAll), "--log needs a value");
}

TEST(Options, SubCommandLeadsTheLine) {
  Args args{"payload", "--count", "3"};
  EXPECT_EQ(TakeCommand(args, {"macros", "payload"}), "payload");
  EXPECT_EQ(args, (Args{"--count", "3"}));

  Args none;
  Args option_first{"--count", "3"};
  Args unknown{"flood"};
  auto complaint = [](Args& a) {
    try {
      TakeCommand(a, {"macros", "payload", "topic"});
    } catch (const UsageError& e) {
      return std::string(e.what());
    }
    return std::string();
  };
  EXPECT_EQ(complaint(none), "no command: macros, payload or topic");
  EXPECT_EQ(complaint(option_first), "unknown command '--count': macros, payload or topic");
  EXPECT_EQ(complaint(unknown), "unknown command 'flood': macros, payload or topic");
  EXPECT_EQ(unknown, Args{"flood"}) << "a refused command stays where it was";
}

TEST(Options, UsageLineNamesTheToolAndTheHelp) {
  EXPECT_EQ(UsageLine("stress", UsageError("--count needs a value")),
            "stress: --count needs a value (--help lists the options)\n");
}

}  // namespace
}  // namespace toolkit
