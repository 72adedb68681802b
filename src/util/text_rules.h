#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// Small rules about text that several layers share.
namespace quillet {

// ASCII letter case, in which file names are compared: every other byte, UTF-8 included, stays.
constexpr char AsciiLower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }
constexpr char AsciiUpper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }
std::string AsciiUppercase(std::string_view text);
std::string AsciiLowercase(std::string_view text);
bool EqualsIgnoringAsciiCase(std::string_view a, std::string_view b);

// The items as a list in words: "Japan", "Japan and Europe", "Japan, the USA and Europe" (or with
// another `last` joint: ".bin, .cdi or .chd").
std::string ListWords(const std::vector<std::string>& items, std::string_view last = " and ");

// `text` with its control characters (below 0x20, and 0x7F) written as \xNN, so that a name read
// from a file cannot move the cursor, colour a terminal or forge a line of its own when printed.
std::string EscapeControls(std::string_view text);

// A path as a sentence shows it: its control characters escaped, and in double quotes where a blank
// begins or ends it (or it is empty), which would otherwise pass unseen.
std::string ShownPath(std::string_view path);

// `value` in `digits` hexadecimal digits at the least, lower case ("00c0ffee") or upper, or in
// decimal ones ("07"): without printf, whose formatting would cost the page's module more than the
// rest of this file.
std::string HexDigits(std::uint64_t value, int digits, bool upper = false);
std::string DecimalDigits(std::uint64_t value, int digits);

// "650.3 MiB", "512.0 KiB", "900 bytes": tenths rounded half up, in whole numbers alone (the page's
// module then needs no floating-point printing).
std::string SizeWords(std::uint64_t bytes);

// The next field of a line of a table of tracks (a .gdi, a cue sheet): a word, or a name in double
// quotes, `line` moving past it; nothing at the line's end or in an unclosed quote.
std::optional<std::string_view> NextField(std::string_view& line);

// `length` random lowercase letters and digits, for names no file is likely to have already.
std::string RandomTag(std::size_t length = 8);

}  // namespace quillet
