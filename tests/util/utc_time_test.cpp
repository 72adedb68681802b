#include "util/utc_time.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace quillet {
namespace {

// The dates a made disc records: leap days, the century that is no leap year, before 1970.
TEST(UtcTimeTest, SecondsSince1970AsTheCalendarGivesThem) {
  struct Row {
    std::int64_t seconds;
    UtcTime time;
  };
  for (const Row& row : {Row{0, {1970, 1, 1, 0, 0, 0}}, Row{951782400, {2000, 2, 29, 0, 0, 0}},
                         Row{1700000000, {2023, 11, 14, 22, 13, 20}}, Row{-1, {1969, 12, 31, 23, 59, 59}},
                         Row{4107542400, {2100, 3, 1, 0, 0, 0}}}) {
    const UtcTime time = UtcTimeOf(row.seconds);
    EXPECT_EQ(std::vector<int>({time.year, time.month, time.day, time.hour, time.minute, time.second}),
              std::vector<int>(
                  {row.time.year, row.time.month, row.time.day, row.time.hour, row.time.minute, row.time.second}))
        << row.seconds;
  }
}

}  // namespace
}  // namespace quillet
