#include "sys/replacement_file.h"

#include <algorithm>

#include "sys/file_system.h"
#include "util/text_rules.h"

namespace quillet {

std::string TemporaryNameFor(std::string_view target, std::string_view random_part, PathStyle style) {
  const std::string_view title = FileTitle(target, style);
  const std::string_view folder = target.substr(0, target.size() - title.size());
  // Any name the target may have must leave room for the additions: the title is cut short where
  // needed, at a character's start, so that the name stays valid UTF-8 for Windows too.
  static constexpr std::size_t kLongestName = 255;
  const std::size_t room = kLongestName - random_part.size() - std::string_view("...tmp").size();
  std::size_t kept = std::min(title.size(), room);
  while (kept < title.size() && kept > 0 && (static_cast<unsigned char>(title[kept]) & 0xC0) == 0x80) --kept;
  return std::string(folder) + "." + std::string(title.substr(0, kept)) + "." + std::string(random_part) + ".tmp";
}

std::string NewTemporaryNameFor(std::string_view target) { return TemporaryNameFor(target, RandomTag()); }

}  // namespace quillet
