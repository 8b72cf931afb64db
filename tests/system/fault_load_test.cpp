// Sustained load: a flood of turn requests, and a soak of status macros with turn requests in
// between. Every target must arrive once and in order; memory and handles must stay flat.
#include <gtest/gtest.h>

#include <cstdlib>

#include "fault_support.h"
#include "marker_support.h"
#include "bridge/window/widget_ids.h"

using namespace std::chrono_literals;
using namespace faulttest;
using namespace vexal;

namespace {

// The soak's length in the test run; scripts/soak runs 100,000 and more. Memory counts as flat
// within 1% of the bridge's private bytes, 6.3 MB under Wine 8: 63 KB, beside about 4 KB of
// noise (6,303,744 -> 6,307,840 bytes over 60,000 macros). A leak of a few bytes per macro is
// caught by 25,000:
// - a leaked allocation costs at least one 16-byte heap block (header and 16-byte alignment),
//   however few bytes it asked for: 400 KB, six times the margin;
// - a buffer that grows by 4 bytes a macro holds 112 KB after the warm-up's 3,000 and these
//   25,000, of which at most 24 KB (twice the warm-up's 12 KB) was already there: 88 KB grown,
//   above 63 + 4 KB.
long SoakMacros() {
  const char* env = std::getenv("VEXAL_SOAK_MACROS");
  long n = env ? std::strtol(env, nullptr, 10) : 0;
  return n > 0 ? n : 25000;
}

constexpr long kTurnEvery = 100;

std::string TurnArgs() {
  return " --turn-every " + std::to_string(kTurnEvery) + " --window Logger32-Vexal --message \"" +
         kLoggerMessage + "\"";
}

// What stress's soak posts: before macro i = j * kTurnEvery, azimuth 7j mod 361.
std::vector<std::string> SoakTargets(long macros) {
  std::vector<std::string> hex;
  for (long j = 0; j * kTurnEvery < macros; ++j)
    hex.push_back(bridgetest::CommandHex(std::to_string((7 * j) % 361 * 10)));
  return hex;
}

}  // namespace

class FaultLoad : public FaultTest {};

TEST_F(FaultLoad, FloodOfTurnRequestsLeavesTheLastValidOneToBeSent) {
  StartLinked();
  auto before = BridgeUsage();
  ASSERT_TRUE(before.has_value());

  // lParam i mod 400: the tail of the flood, 361..399, is out of range.
  StressResult flood = Stress(
      "turns --count 100000 --modulo 400 --window Logger32-Vexal "
      "--message \"" +
          kLoggerMessage + "\"",
      150s);
  ASSERT_TRUE(flood.finished);
  ASSERT_EQ(flood.Number("posted"), 100000);
  ASSERT_EQ(flood.Number("last-valid"), 360);
  std::printf("flood: %s ms, %s retries\n", flood.Value("ms").c_str(),
              flood.Value("retries").c_str());

  // Posted after the flood, this execute is handled after all of it.
  StressResult macro = Stress("macros --count 1 --base 100 --timeout 120000", 150s);
  EXPECT_EQ(macro.Number("acked"), 1) << macro.Value("first-failure");
  EXPECT_EQ(Text(kIdEditAzimut), "360");
  ASSERT_TRUE(WaitReceived(2, 5s));
  EXPECT_EQ(Received()[1], bridgetest::CommandHex("3600"));
  ExpectAlive();

  auto after = BridgeUsage();
  ASSERT_TRUE(after.has_value());
  ExpectHandlesFlat(*before, *after, 5);
  ASSERT_GT(before->private_bytes, 0u);
  EXPECT_TRUE(Near(after->private_bytes, before->private_bytes, 0.05, 1 << 20))
      << before->private_bytes << " -> " << after->private_bytes;
}

TEST_F(FaultLoad, SoakSendsEveryTargetOnceInOrderWithFlatMemory) {
  StartLinked();
  // Warm-up: let the heaps and DDEML's tables reach their working size.
  const long warm_up = 3000;
  StressResult warm = Stress("macros --count " + std::to_string(warm_up) + TurnArgs(), 60s);
  ASSERT_EQ(warm.Number("acked"), warm_up) << warm.Value("first-failure");
  auto expected = SoakTargets(warm_up);
  ASSERT_TRUE(WaitReceived(1 + expected.size(), 10s));
  auto before = BridgeUsage();
  ASSERT_TRUE(before.has_value());
  ASSERT_GT(before->private_bytes, 0u);

  const long macros = SoakMacros();
  StressResult soak = Stress("macros --count " + std::to_string(macros) + TurnArgs(), 170s);
  ASSERT_TRUE(soak.finished) << "soak did not finish";
  EXPECT_EQ(soak.Number("acked"), macros) << soak.Value("first-failure");
  std::printf("soak: %ld macros in %s ms\n", macros, soak.Value("ms").c_str());

  for (const auto& hex : SoakTargets(macros)) expected.push_back(hex);
  expected.insert(expected.begin(), bridgetest::kGreetingHex);
  expected = markers::ThenMarker(expected);
  const auto received = markers::ReceivedUpToMarker(job_, dir_, rotator_log_);
  ASSERT_EQ(received.size(), expected.size());
  for (size_t i = 0; i < expected.size(); ++i)
    ASSERT_EQ(received[i], expected[i]) << "execute " << i;
  ExpectAlive();

  auto after = BridgeUsage();
  ASSERT_TRUE(after.has_value());
  std::printf("private bytes %llu -> %llu, handles %lu -> %lu\n", before->private_bytes,
              after->private_bytes, before->handles, after->handles);
  EXPECT_TRUE(Near(after->private_bytes, before->private_bytes, 0.01, 0))
      << before->private_bytes << " -> " << after->private_bytes;
  ExpectHandlesFlat(*before, *after, 5);
}
