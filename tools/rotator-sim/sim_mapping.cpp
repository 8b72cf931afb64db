#include "sim_mapping.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace rotsim {

int TenthsFromDegrees(double degrees) {
  return static_cast<int>(std::lround(degrees * 10.0));
}

int RangeModeFor(const AzimuthLimits& limits) {
  return limits.min_az < 0 ? 0 : 1;
}

std::optional<int> CommandTarget(std::string_view bytes) {
  if (!bytes.empty() && bytes.back() == '\0') bytes.remove_suffix(1);
  std::optional<int> first;
  for (int line = 0; line < 3; ++line) {
    std::size_t end = bytes.find("\r\n");
    if (end == std::string_view::npos) return std::nullopt;
    const char* begin = bytes.data();
    int value = 0;
    auto [stop, error] = std::from_chars(begin, begin + end, value);
    if (end == 0 || error != std::errc() || stop != begin + end) return std::nullopt;
    if (!first) first = value;
    bytes.remove_prefix(end + 2);
  }
  if (!bytes.empty()) return std::nullopt;
  return first;
}

bool IsWellFormedCommand(std::string_view bytes) {
  using namespace std::string_view_literals;
  if (bytes == "HS \r\n\0"sv) return true;
  if (bytes.empty() || bytes.back() != '\0') return false;
  bytes.remove_suffix(1);
  for (int line = 0; line < 3; ++line) {
    std::size_t end = bytes.find("\r\n");
    if (end == std::string_view::npos) return false;
    std::string_view text = bytes.substr(0, end);
    if (!text.empty() && text.front() == '-') text.remove_prefix(1);
    if (text.empty() || text.find_first_not_of("0123456789") != std::string_view::npos)
      return false;
    bytes.remove_prefix(end + 2);
  }
  return bytes.empty();
}

TargetPlan PlanTarget(int target_tenths, const AzimuthLimits& limits,
                      const std::deque<int>& recent_tenths) {
  auto same_direction = [](long a, long b) { return ((a - b) % 3600 + 3600) % 3600 == 0; };
  for (int seen : recent_tenths)
    if (same_direction(target_tenths, seen)) return {TargetPlan::Kind::kStop, 0, ""};

  long framed = ((static_cast<long>(target_tenths) % 3600) + 3600) % 3600;
  if (RangeModeFor(limits) == 0 && framed >= 1800) framed -= 3600;
  auto within = [&](long tenths) {
    return tenths / 10.0 >= limits.min_az - 1e-9 && tenths / 10.0 <= limits.max_az + 1e-9;
  };
  if (within(framed)) return {TargetPlan::Kind::kMove, framed / 10.0, ""};

  long reference = recent_tenths.empty() ? framed : recent_tenths.back();
  std::optional<long> best;
  for (int turns = -3; turns <= 3; ++turns) {
    long candidate = framed + turns * 3600L;
    if (within(candidate) &&
        (!best || std::labs(candidate - reference) < std::labs(*best - reference)))
      best = candidate;
  }
  if (best) return {TargetPlan::Kind::kMove, *best / 10.0, ""};
  char reason[96];
  std::snprintf(reason, sizeof reason, "%.1f outside the limits %.1f..%.1f", target_tenths / 10.0,
                limits.min_az, limits.max_az);
  return {TargetPlan::Kind::kRefuse, 0, reason};
}

}  // namespace rotsim
