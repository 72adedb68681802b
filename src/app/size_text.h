#pragma once

#include <cstdint>
#include <string>

namespace quillet {

// The locale's separators: digit groups ("," in English) and the decimal point ("." in English).
// Either may be several bytes of UTF-8, such as a narrow no-break space.
struct NumberSeparators {
  std::string group = ",";
  std::string decimal = ".";
};

// A file size in kilobytes as the window shows it: the size / 1024 rounded to one decimal (halves
// up), the integer part in groups of three and left out when 0, the decimal separator always, the
// tenths digit unless it is 0, then " KB". So 0 bytes is ". KB", 1,024 is "1. KB", 1,234,567 is
// "1,205.6 KB".
std::string SizeText(std::int64_t bytes, const NumberSeparators& separators);

}  // namespace quillet
