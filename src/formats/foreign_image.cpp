#include "formats/foreign_image.h"

#include <algorithm>
#include <string>
#include <utility>

#include "formats/disc_geometry.h"
#include "formats/sector.h"
#include "util/little_endian.h"
#include "util/pattern_search.h"
#include "util/text_rules.h"

namespace quillet {
namespace {

// A Nero image ends in the id of its chunk table ("NER5", or "NERO" in older ones) and where the
// table begins, a big-endian number, which points at a chunk's id of four capitals.
bool IsNeroImage(const ByteSource& source) {
  for (const auto& [id, width] : {std::pair<std::string_view, std::size_t>{"NER5", 8}, {"NERO", 4}}) {
    const std::size_t footer = 4 + width;
    if (source.size() < footer || !HasAt(source, source.size() - footer, id)) continue;
    std::array<std::byte, 8> where;
    source.Read(source.size() - width, std::span(where).first(width));
    const std::uint64_t table = BigEndian(where, 0, width);
    std::array<std::byte, 4> chunk;
    if (table >= source.size() - footer || !source.Holds(table, chunk.size())) continue;
    source.Read(table, chunk);
    if (std::all_of(chunk.begin(), chunk.end(), [](std::byte c) {
          const auto letter = std::to_integer<char>(c);
          return (letter >= 'A' && letter <= 'Z') || (letter >= '0' && letter <= '9') || letter == '!';
        })) {
      return true;
    }
  }
  return false;
}

}  // namespace

std::optional<std::string_view> ForeignImageFormat(const ByteSource& source) {
  constexpr std::size_t kLongestText = 64 * 1024;  // a CloneCD control file
  if (HasAt(source, 0, "MEDIA DESCRIPTOR")) return "an Alcohol image (.mds)";
  if (IsNeroImage(source)) return "a Nero image";
  const std::optional<std::string> text = ShortText(source, kLongestText);
  if (!text || text->find('\0') != std::string::npos) return std::nullopt;
  const std::size_t first = text->find_first_not_of(" \t\r\n");
  if (first != std::string::npos && std::string_view(*text).substr(first).starts_with("[CloneCD]")) {
    return "a CloneCD control file (.ccd)";
  }
  return std::nullopt;
}

bool BeginsFramedBootstrap(const ByteSource& source, std::uint64_t offset) {
  // The bytes from `where`, as many of `count` as lie inside.
  const auto read = [&](std::uint64_t where, std::size_t count) {
    std::string bytes;
    if (where >= source.size()) return bytes;
    bytes.resize(static_cast<std::size_t>(std::min<std::uint64_t>(count, source.size() - where)));
    source.Read(where, std::as_writable_bytes(std::span(bytes)));
    return bytes;
  };
  for (const char mode : {'\1', '\2'}) {
    const std::size_t data = SectorDataOffset(2352, static_cast<std::uint8_t>(mode));
    if (offset < data) continue;
    const std::string header = read(offset - data, kRawModeByte + 1);
    if (header.size() == kRawModeByte + 1 && header.starts_with(kSectorSync) && header[kRawModeByte] == mode)
      return true;
  }
  // A 2,336-byte sector's subheader: its two copies agree, and it is no form 2's. DiscJuggler
  // writes it all zeros. The bootstrap's next sector begins with one too, where the bytes go on.
  const auto subheader_at = [&](std::uint64_t where) {
    constexpr char kForm2Bit = 0x20;
    const std::string subheader = read(where, 8);
    return subheader.size() == 8 && subheader.substr(0, 4) == subheader.substr(4) && !(subheader[2] & kForm2Bit);
  };
  if (offset >= 8 && subheader_at(offset - 8) &&
      (offset - 8 + kMode2Sector >= source.size() || subheader_at(offset - 8 + kMode2Sector))) {
    return true;
  }
  return read(offset + kBootstrapSectors * kSectorData + 1, 5) == "CD001";
}

std::optional<std::uint64_t> FramedBootstrap(const ByteSource& source) {
  std::optional<std::uint64_t> first;
  const PatternSearch search({kHardwareId});
  ForEachBlock(source, kHardwareId.size() - 1, [&](std::uint64_t at, std::span<const std::byte> block, std::size_t) {
    search.ForEach(block, [&](std::size_t, std::size_t offset) {
      if (BeginsFramedBootstrap(source, at + offset)) first = at + offset;
      return !first;
    });
    return !first;
  });
  return first;
}

}  // namespace quillet
