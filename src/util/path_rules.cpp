#include "util/path_rules.h"

#include <algorithm>
#include <cstddef>
#include <limits>

#include "util/run_time_error.h"
#include "util/text_rules.h"

namespace quillet {
namespace {

bool IsContinuationByte(char c) { return (static_cast<unsigned char>(c) & 0xC0) == 0x80; }

std::int64_t CharacterCount(std::string_view text) {
  return static_cast<std::int64_t>(
      std::count_if(text.begin(), text.end(), [](char c) { return !IsContinuationByte(c); }));
}

// The first `count` characters of `text` (all of it when it has fewer).
std::string_view CharacterPrefix(std::string_view text, std::int64_t count) {
  std::size_t end = 0;
  for (std::int64_t seen = 0; end < text.size(); ++end) {
    if (!IsContinuationByte(text[end]) && seen++ == count) break;
  }
  return text.substr(0, end);
}

// Byte offset of the last occurrence of `needle`, compared without regard to ASCII case.
std::size_t FindLastIgnoringCase(std::string_view haystack, std::string_view needle) {
  if (needle.size() > haystack.size()) return std::string_view::npos;
  for (std::size_t at = haystack.size() - needle.size() + 1; at-- > 0;) {
    if (std::equal(needle.begin(), needle.end(), haystack.begin() + static_cast<std::ptrdiff_t>(at),
                   [](char a, char b) { return AsciiLower(a) == AsciiLower(b); })) {
      return at;
    }
  }
  return std::string_view::npos;
}

std::size_t NameStart(std::string_view path, PathStyle style) {
  std::size_t last = style == PathStyle::Windows ? path.find_last_of("\\/") : path.find_last_of('/');
  return last == std::string_view::npos ? 0 : last + 1;
}

}  // namespace

std::string PathSeparator(std::string_view path, PathStyle style) {
  if (style == PathStyle::Windows && path.find('\\') != std::string_view::npos) return "\\";
  return "/";
}

std::string ParentPath(std::string_view path, std::string_view separator, std::int16_t offset) {
  // An empty separator is taken as found after the last character: the cut then keeps the whole
  // path less `offset` characters' worth from its end.
  std::int64_t position = CharacterCount(path);
  if (!separator.empty()) {
    std::size_t at = FindLastIgnoringCase(path, separator);
    position = at == std::string_view::npos ? 0 : CharacterCount(path.substr(0, at)) + 1;
  }
  std::int64_t count = position + offset;
  if (position > std::numeric_limits<std::int32_t>::max() || count > std::numeric_limits<std::int32_t>::max()) {
    throw RunTimeError(error::kOverflow);
  }
  if (count < 0) throw RunTimeError(error::kInvalidArgument);
  return std::string(CharacterPrefix(path, count));
}

std::optional<std::string> ContainingFolder(std::string_view path, PathStyle style) {
  const std::size_t start = NameStart(path, style);
  if (start == 0) return std::nullopt;
  return std::string(path.substr(0, start - 1));
}

std::string PathIn(const std::optional<std::string>& folder, std::string_view name, PathStyle style) {
  if (!folder) return std::string(name);
  return *folder + (style == PathStyle::Windows ? "\\" : "/") + std::string(name);
}

std::string BaseName(std::string_view path, PathStyle style) {
  std::string_view name = path.substr(NameStart(path, style));
  if (name.empty()) throw RunTimeError(error::kSubscriptOutOfRange);
  return std::string(name.substr(0, name.find('.')));
}

std::string_view FileTitle(std::string_view path, PathStyle style) { return path.substr(NameStart(path, style)); }

std::string_view TitleStem(std::string_view title) {
  const std::size_t leading_dots = title.find_first_not_of('.');
  return leading_dots == std::string_view::npos ? title : title.substr(0, title.find('.', leading_dots));
}

bool WindowsFileExists(std::string_view path, const std::function<std::string()>& drive_roots,
                       const std::function<bool(std::string_view)>& any_entry_matches) {
  if (path.ends_with(":\\")) {
    // Only the roots' letters count: a path such as "\:\" must not match the list's own
    // backslashes and colons.
    char letter = AsciiLower(path.front());
    std::string roots = drive_roots();
    for (std::size_t at = 0; at < roots.size() && roots[at] != '\0';) {
      if (AsciiLower(roots[at]) == letter) return true;
      const std::size_t end = roots.find('\0', at);
      if (end == std::string::npos) break;
      at = end + 1;
    }
    return false;
  }
  return !path.empty() && any_entry_matches(path);
}

std::optional<std::string> PathInsideFolder(std::string_view name) {
  std::string inside;
  bool first = true;
  for (std::size_t start = 0; start <= name.size(); first = false) {
    const std::size_t end = std::min(name.find_first_of("/\\", start), name.size());
    const std::string_view part = name.substr(start, end - start);
    start = end + 1;
    // A root ("/x", "\\server"), a drive ("C:x", "C:\\x") or a way up leaves the folder.
    if ((part.empty() && first) || part == ".." || part.find(':') != std::string_view::npos) return std::nullopt;
    if (part.empty() || part == ".") continue;
    if (!inside.empty()) inside += '/';
    inside += part;
  }
  if (inside.empty() || name.ends_with('/') || name.ends_with('\\')) return std::nullopt;
  return inside;
}

}  // namespace quillet
