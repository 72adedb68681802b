#include "app/size_text.h"

#include <algorithm>

namespace quillet {

std::string SizeText(std::int64_t bytes, const NumberSeparators& separators) {
  // Whole tenths of a kilobyte, rounded half up, in integers: bytes / 1024 is exact in binary, so
  // this is what rounding the double precision quotient gives, without its representation error.
  const std::int64_t tenths = (std::max<std::int64_t>(bytes, 0) * 20 + 1024) / 2048;
  const std::string digits = tenths >= 10 ? std::to_string(tenths / 10) : "";

  std::string text;
  for (std::size_t at = 0; at < digits.size(); ++at) {
    if (at > 0 && (digits.size() - at) % 3 == 0) text += separators.group;
    text += digits[at];
  }
  text += separators.decimal;
  if (tenths % 10 != 0) text += static_cast<char>('0' + tenths % 10);
  return text + " KB";
}

}  // namespace quillet
