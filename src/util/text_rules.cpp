#include "util/text_rules.h"

#include <algorithm>
#include <array>
#include <random>

namespace quillet {

std::string AsciiUppercase(std::string_view text) {
  std::string upper(text);
  std::transform(upper.begin(), upper.end(), upper.begin(), AsciiUpper);
  return upper;
}

std::string AsciiLowercase(std::string_view text) {
  std::string lower(text);
  std::transform(lower.begin(), lower.end(), lower.begin(), AsciiLower);
  return lower;
}

bool EqualsIgnoringAsciiCase(std::string_view a, std::string_view b) {
  return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                    [](char x, char y) { return AsciiLower(x) == AsciiLower(y); });
}

std::string SizeWords(std::uint64_t bytes) {
  constexpr std::array<const char*, 4> kUnits = {"bytes", "KiB", "MiB", "GiB"};
  std::size_t unit = 0;
  std::uint64_t scale = 1;
  while (bytes / scale >= 1024 && unit + 1 < kUnits.size()) {
    scale *= 1024;
    ++unit;
  }
  if (unit == 0) return std::to_string(bytes) + (bytes == 1 ? " byte" : " bytes");
  const std::uint64_t tenths = (bytes * 10 + scale / 2) / scale;
  return std::to_string(tenths / 10) + "." + std::to_string(tenths % 10) + " " + kUnits[unit];
}

namespace {

std::string Digits(std::uint64_t value, int digits, std::uint64_t base, const char* symbols) {
  std::string text;
  for (; value != 0 || digits > 0; value /= base, --digits) text.insert(text.begin(), symbols[value % base]);
  return text;
}

}  // namespace

std::string HexDigits(std::uint64_t value, int digits, bool upper) {
  return Digits(value, digits, 16, upper ? "0123456789ABCDEF" : "0123456789abcdef");
}

std::string DecimalDigits(std::uint64_t value, int digits) { return Digits(value, digits, 10, "0123456789"); }

std::string ListWords(const std::vector<std::string>& items, std::string_view last) {
  std::string words;
  for (std::size_t index = 0; index < items.size(); ++index) {
    if (index > 0) words += index + 1 == items.size() ? last : ", ";
    words += items[index];
  }
  return words;
}

std::string EscapeControls(std::string_view text) {
  std::string escaped;
  escaped.reserve(text.size());
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte >= 0x20 && byte != 0x7F) {
      escaped += c;
      continue;
    }
    static constexpr char kDigits[] = "0123456789abcdef";
    escaped += {'\\', 'x', kDigits[byte >> 4], kDigits[byte & 0xF]};
  }
  return escaped;
}

std::string RandomTag(std::size_t length) {
  static constexpr char kLetters[] = "abcdefghijklmnopqrstuvwxyz0123456789";
  std::random_device device;
  std::string tag(length, ' ');
  for (char& c : tag) c = kLetters[device() % (sizeof kLetters - 1)];
  return tag;
}

std::optional<std::string_view> NextField(std::string_view& line) {
  const std::size_t start = line.find_first_not_of(" \t\r");
  if (start == std::string_view::npos) return std::nullopt;
  line.remove_prefix(start);
  std::size_t end;
  std::string_view field;
  if (line.front() == '"') {
    end = line.find('"', 1);
    if (end == std::string_view::npos) return std::nullopt;
    field = line.substr(1, end - 1);
    ++end;
  } else {
    end = std::min(line.find_first_of(" \t\r"), line.size());
    field = line.substr(0, end);
  }
  line.remove_prefix(end);
  return field;
}

std::string ShownPath(std::string_view path) {
  const std::string escaped = EscapeControls(path);
  const bool hidden_edge = path.empty() || path.front() == ' ' || path.back() == ' ';
  return hidden_edge ? "\"" + escaped + "\"" : escaped;
}

}  // namespace quillet
