#include "check/Forecast.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using forecast::Sample;

constexpr std::int64_t kStop = 1'904'657;

// Samples a week apart from day 0, with these KB.
std::vector<Sample> Weekly(std::initializer_list<std::int64_t> kb) {
  std::vector<Sample> samples;
  std::int32_t day = 0;
  for (const std::int64_t k : kb) samples.push_back({day += 7, k});
  return samples;
}

TEST(Forecast, ARisingSteadyTrendGivesWeeksToTheStopAndNothingElseDoes) {
  struct Case {
    const char* what;
    std::vector<Sample> samples;
    std::optional<std::pair<std::int64_t, std::int64_t>> expected;  // KB a week, weeks
  };
  const Case cases[] = {
      {"steady growth", Weekly({1'500'000, 1'550'000, 1'600'000}), {{50'000, 6}}},
      {"daily points", {{0, 1'000'000}, {1, 1'010'000}, {2, 1'020'000}, {20, 1'200'000}}, {{70'000, 10}}},
      {"at the stop already", Weekly({1'850'000, 1'900'000, 1'950'000}), {{50'000, 0}}},
      {"less than a week left", Weekly({1'800'000, 1'850'000, 1'900'000}), {{50'000, 0}}},
      {"noisy but rising", Weekly({1'500'000, 1'560'000, 1'540'000, 1'610'000, 1'590'000, 1'660'000}), {{27'429, 8}}},
      {"flat", Weekly({1'600'000, 1'600'000, 1'600'000}), std::nullopt},
      {"shrinking", Weekly({1'700'000, 1'650'000, 1'600'000}), std::nullopt},
      {"noise without a trend", Weekly({1'600'000, 1'700'000, 1'550'000, 1'680'000, 1'560'000}), std::nullopt},
      {"one day", {{5, 1'600'000}}, std::nullopt},
      {"two points", Weekly({1'500'000, 1'600'000}), std::nullopt},
      {"three points in 13 days", {{0, 1'500'000}, {6, 1'550'000}, {13, 1'600'000}}, std::nullopt},
      {"ten years away", Weekly({1'000'000, 1'001'000, 1'002'000}), std::nullopt},
      // A clean-up starts the trend anew: before it, two weeks; after, too few.
      {"a fall, then too little", Weekly({1'500'000, 1'600'000, 1'700'000, 1'300'000, 1'310'000}), std::nullopt},
      {"a fall, then growth", Weekly({1'700'000, 1'200'000, 1'250'000, 1'300'000}), {{50'000, 12}}},
      // A fall within the noise (under 5 %) is no clean-up.
      {"a dip", Weekly({1'500'000, 1'550'000, 1'545'000, 1'600'000}), {{29'500, 10}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const auto result = forecast::WeeksToStop(c.samples, kStop);
    ASSERT_EQ(result.has_value(), c.expected.has_value());
    if (!result) continue;
    EXPECT_EQ(result->growthKbPerWeek, c.expected->first);
    EXPECT_EQ(result->weeksToStop, c.expected->second);
  }
}

}  // namespace
