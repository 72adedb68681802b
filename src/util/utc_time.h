#pragma once

#include <cstdint>

namespace quillet {

// A moment as a calendar gives it, in UTC (the Gregorian calendar, run back before its time).
struct UtcTime {
  int year, month, day, hour, minute, second;
};

// The moment `seconds` after 1970 began (before it, where negative).
constexpr UtcTime UtcTimeOf(std::int64_t seconds) {
  std::int64_t days = seconds / 86400, rest = seconds % 86400;
  if (rest < 0) {
    rest += 86400;
    --days;
  }
  // Days to a date: eras of 400 years, each year from March, so that the leap day ends a year.
  const std::int64_t shifted = days + 719468;
  const std::int64_t era = (shifted >= 0 ? shifted : shifted - 146096) / 146097;
  const std::int64_t of_era = shifted - era * 146097;
  const std::int64_t year_of_era = (of_era - of_era / 1460 + of_era / 36524 - of_era / 146096) / 365;
  const std::int64_t of_year = of_era - (365 * year_of_era + year_of_era / 4 - year_of_era / 100);
  const std::int64_t month_index = (5 * of_year + 2) / 153;
  const int day = static_cast<int>(of_year - (153 * month_index + 2) / 5 + 1);
  const int month = static_cast<int>(month_index < 10 ? month_index + 3 : month_index - 9);
  const int year = static_cast<int>(year_of_era + era * 400 + (month <= 2 ? 1 : 0));
  return {
      year, month, day, static_cast<int>(rest / 3600), static_cast<int>(rest / 60 % 60), static_cast<int>(rest % 60)};
}

}  // namespace quillet
