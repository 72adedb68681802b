#include "disc/file_decision.h"

#include <algorithm>
#include <array>

#include "disc/disc_image.h"
#include "inspect/file_kind.h"
#include "util/path_rules.h"

namespace quillet {

std::optional<FileKind> KindByName(std::string_view name) {
  // Either separator: the page passes a bare name, the programs their native paths.
  if (IsIpBinTitle(FileTitle(name, PathStyle::Windows))) return FileKind::IpBinByName;
  return std::nullopt;
}

FileKind KindOfFile(const ByteSource& file, std::string_view name) {
  if (const std::optional<FileKind> named = KindByName(name)) return *named;
  if (DiscFormatOf(file, name)) return FileKind::DiscImage;
  std::array<std::byte, 4> magic{};
  const auto size = static_cast<std::size_t>(std::min<std::uint64_t>(magic.size(), file.size()));
  file.Read(0, std::span(magic).first(size));
  return IsElfImage(std::span(magic).first(size)) ? FileKind::Elf : FileKind::Loose;
}

}  // namespace quillet
