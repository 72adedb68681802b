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

bool IsBootSectorImage(std::span<const std::byte> bytes) {
  static constexpr std::string_view kHardwareId = "SEGA SEGAKATANA ";
  static constexpr std::size_t kBootFileName = 0x60, kBootFileNameLength = 16;
  static_assert(kBootFileName + kBootFileNameLength == kBootHeaderLength);
  if (bytes.size() < kBootHeaderLength) return false;
  const auto text = std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size());
  if (!text.starts_with(kHardwareId)) return false;
  const std::string_view name = text.substr(kBootFileName, kBootFileNameLength);
  const std::size_t end = name.find(' ');
  const std::string_view padding = end == std::string_view::npos ? std::string_view() : name.substr(end);
  return end != 0 &&
         std::all_of(name.begin(), name.begin() + static_cast<std::ptrdiff_t>(name.size() - padding.size()),
                     [](char c) { return c > ' ' && c < 0x7F; }) &&
         padding.find_first_not_of(' ') == std::string_view::npos;
}

}  // namespace quillet
