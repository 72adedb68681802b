#include "inspect/file_kind.h"

#include <algorithm>

#include "util/text_rules.h"

namespace quillet {
// Comparing the last bytes is the same as comparing the last characters: a UTF-8 sequence never
// holds ASCII bytes, so only an ASCII ending can equal "elf".
bool IsElfName(std::string_view name) {
  return name.size() >= 3 && EqualsIgnoringAsciiCase(name.substr(name.size() - 3), "elf");
}

bool IsElfImage(std::span<const std::byte> bytes) {
  static constexpr std::string_view kMagic =
      "\x7F"
      "ELF";
  return bytes.size() >= kMagic.size() &&
         std::equal(kMagic.begin(), kMagic.end(), bytes.begin(), [](char a, std::byte b) { return std::byte(a) == b; });
}

bool IsIpBinTitle(std::string_view title) { return EqualsIgnoringAsciiCase(title, "ip.bin"); }

}  // namespace quillet
