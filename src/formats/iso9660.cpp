#include "formats/iso9660.h"

#include <algorithm>
#include <cstring>
#include <functional>
#include <vector>

#include "formats/disc_geometry.h"
#include "util/little_endian.h"
#include "util/run_time_error.h"
#include "util/text_rules.h"

namespace quillet {
namespace {

constexpr std::uint32_t kFirstVolumeDescriptor = 16;
constexpr std::uint32_t kMostVolumeDescriptors = 64;
constexpr std::size_t kMostDirectories = 4096;
constexpr std::size_t kMostDepth = 16;
// A directory of a thousand files takes some 50 KiB; a whole disc's directories rarely a MiB. The
// caps keep an image whose directories claim gigabytes, or repeat each other, from being read for
// an hour.
constexpr std::uint64_t kLargestDirectory = 1 << 20;
constexpr std::uint64_t kMostDirectoryBytes = 8 << 20;
constexpr std::uint8_t kDirectoryFlag = 0x02, kMultiExtentFlag = 0x80;

// One directory record, as far as the search needs it.
struct Record {
  std::uint32_t lba, size;
  std::uint8_t flags;
  std::string name;
};

// The directory record at `at` in a sector, or nothing where the sector has no more (a zero
// length byte) or the record does not fit.
std::optional<Record> RecordAt(std::span<const std::byte, kSectorData> sector, std::size_t at) {
  if (at >= kSectorData) return std::nullopt;
  const std::size_t length = std::to_integer<std::size_t>(sector[at]);
  if (length < 34 || at + length > kSectorData) return std::nullopt;
  const std::size_t name_length = std::to_integer<std::size_t>(sector[at + 32]);
  if (33 + name_length > length) return std::nullopt;
  return Record{LittleEndian32(sector, at + 2), LittleEndian32(sector, at + 10),
                std::to_integer<std::uint8_t>(sector[at + 25]),
                std::string(reinterpret_cast<const char*>(sector.data()) + at + 33, name_length)};
}

// The root directory's record, from the primary volume descriptor.
Record RootOf(const Track& track) {
  for (std::uint32_t index = 0; index < kMostVolumeDescriptors; ++index) {
    const auto sector = track.Sector(track.first_lba() + kFirstVolumeDescriptor + index);
    if (!sector || std::memcmp(sector->data() + 1, "CD001", 5) != 0) break;
    const auto type = std::to_integer<std::uint8_t>((*sector)[0]);
    if (type == 255) break;  // the set's terminator
    if (type != 1) continue;
    if (const std::optional<Record> root = RecordAt(*sector, 156)) return *root;
    RefuseAsInvalid("the image's primary volume descriptor has no root directory");
  }
  RefuseAsInvalid("the image holds no ISO 9660 file system (no primary volume descriptor at sector 16)");
}

// A name as the search compares it: without its ";1" version suffix, and without a trailing dot
// (an ISO name with no extension ends in one).
std::string Comparable(std::string_view name) {
  if (const std::size_t semicolon = name.find(';'); semicolon != std::string_view::npos)
    name = name.substr(0, semicolon);
  if (name.ends_with('.')) name.remove_suffix(1);
  return AsciiUppercase(name);
}

// Where the user data of sector `index` begins in an image of `size`-byte sectors: nothing where a
// raw sector there lacks its sync.
std::optional<std::uint64_t> SectorDataAt(const ByteSource& source, std::size_t size, std::uint64_t index) {
  const std::uint64_t at = index * size;
  if (!IsRawSector(size)) return at + SectorDataOffset(size, 0);
  std::array<std::byte, 1> mode;
  if (!HasAt(source, at, kSectorSync) || !source.Holds(at + kRawModeByte, 1)) return std::nullopt;
  source.Read(at + kRawModeByte, mode);
  return at + SectorDataOffset(size, std::to_integer<std::uint8_t>(mode[0]));
}

}  // namespace

std::optional<std::size_t> IsoSectorSize(const ByteSource& source) {
  for (const std::size_t size : kSectorSizes) {
    const std::optional<std::uint64_t> data = SectorDataAt(source, size, kBootstrapSectors);
    if (data && HasAt(source, *data + 1, "CD001")) return size;
  }
  for (const std::size_t size : kSectorSizes) {
    const std::optional<std::uint64_t> data = SectorDataAt(source, size, 0);
    if (data && source.size() > kBootstrapSectors * size && HasAt(source, *data, kHardwareId)) return size;
  }
  return std::nullopt;
}

namespace {

// Calls `visit` with each record of the file system's directories but "." and "..", breadth first
// from the root (a directory's own record in the directory above it), until it returns true.
// `purpose` ends the sentence that refuses directories too large to read: "before its boot file is
// found".
void ForEachRecord(const Track& track, std::string_view purpose, const std::function<bool(const Record&)>& visit) {
  // Breadth first: the queue keeps every directory met, so it also says which were seen.
  std::vector<std::pair<Record, std::size_t>> directories{{RootOf(track), 0}};
  std::uint64_t read = 0;
  for (std::size_t next = 0; next < directories.size() && next < kMostDirectories; ++next) {
    const auto [directory, depth] = directories[next];
    const auto seen = [&, lba = directory.lba](const auto& earlier) { return earlier.first.lba == lba; };
    if (std::any_of(directories.begin(), directories.begin() + static_cast<std::ptrdiff_t>(next), seen)) continue;
    if (directory.size > kLargestDirectory) {
      RefuseAsInvalid("a directory of the image claims " + std::to_string(directory.size) +
                      " bytes, more than any disc's (1 MiB): the image is malformed");
    }
    read += directory.size;
    if (read > kMostDirectoryBytes) {
      RefuseAsInvalid("the image's directories run to more than 8 MiB " + std::string(purpose) + ": it is malformed");
    }
    const auto sectors = static_cast<std::uint32_t>((std::size_t{directory.size} + kSectorData - 1) / kSectorData);
    for (std::uint32_t index = 0; index < sectors; ++index) {
      const auto sector = track.Sector(directory.lba + index);
      if (!sector) RefuseAsInvalid("a directory of the image lies past its end (the image is cut short)");
      for (std::size_t at = 0; const std::optional<Record> record = RecordAt(*sector, at);
           at += std::to_integer<std::size_t>((*sector)[at])) {
        // "." and "..": their names are the bytes 0 and 1.
        if (record->name.size() == 1 && (record->name[0] == '\0' || record->name[0] == '\1')) continue;
        if (visit(*record)) return;
        if ((record->flags & kDirectoryFlag) && depth + 1 < kMostDepth && directories.size() < kMostDirectories) {
          directories.push_back({*record, depth + 1});
        }
      }
    }
  }
}

std::uint32_t SectorsOf(std::uint64_t bytes) {
  return static_cast<std::uint32_t>((bytes + kSectorData - 1) / kSectorData);
}

}  // namespace

std::optional<IsoFile> FindIsoFile(const Track& track, std::string_view name) {
  const std::string wanted = Comparable(name);
  std::optional<IsoFile> found;
  ForEachRecord(track, "before its boot file is found", [&](const Record& record) {
    if ((record.flags & kDirectoryFlag) || Comparable(record.name) != wanted) return false;
    if (record.flags & kMultiExtentFlag) {
      RefuseAsInvalid(EscapeControls(record.name) + " is stored in several extents, which Quillet does not read");
    }
    found = IsoFile{record.name, record.lba, record.size};
    return true;
  });
  return found;
}

std::optional<IsoExtent> IsoExtentOver(const Track& track, std::string_view name, std::uint32_t first,
                                       std::uint32_t count) {
  std::optional<IsoExtent> over;
  const auto check = [&](const char* what, std::string_view named, std::uint32_t lba, std::uint32_t sectors) {
    if (sectors == 0 || lba >= std::uint64_t{first} + count || std::uint64_t{lba} + sectors <= first) return false;
    over = IsoExtent{what + EscapeControls(named), lba, sectors};
    return true;
  };
  if (check("the IP.BIN", "", track.first_lba(), kFirstVolumeDescriptor)) return over;
  for (std::uint32_t index = 0; index < kMostVolumeDescriptors; ++index) {
    const std::uint32_t lba = track.first_lba() + kFirstVolumeDescriptor + index;
    const auto sector = track.Sector(lba);
    if (!sector || std::memcmp(sector->data() + 1, "CD001", 5) != 0) break;
    if (check("a volume descriptor", "", lba, 1)) return over;
    const auto type = std::to_integer<std::uint8_t>((*sector)[0]);
    if (type == 255) break;  // the set's terminator
    if (type != 1 && type != 2) continue;
    // The path tables: little-endian ones at 140 and 144, big-endian ones at 148 and 152.
    const std::uint32_t table_sectors = SectorsOf(LittleEndian32(*sector, 132));
    for (const std::size_t at : {std::size_t{140}, std::size_t{144}, std::size_t{148}, std::size_t{152}}) {
      const auto table = static_cast<std::uint32_t>(at < 148 ? LittleEndian32(*sector, at) : BigEndian(*sector, at, 4));
      if (table != 0 && check("a path table", "", table, table_sectors)) return over;
    }
  }
  const Record root = RootOf(track);
  if (check("the root directory", "", root.lba, SectorsOf(root.size))) return over;
  const std::string left_out = Comparable(name);
  bool met = false;
  ForEachRecord(track, "for Quillet to tell what lies where its boot file does", [&](const Record& record) {
    const bool directory = record.flags & kDirectoryFlag;
    if (!directory && !met && Comparable(record.name) == left_out) {
      met = true;  // the file FindIsoFile finds
      return false;
    }
    return check(directory ? "the directory " : "the file ", record.name, record.lba, SectorsOf(record.size));
  });
  return over;
}

std::uint32_t IsoTrackBase(const Track& track) {
  // Where the track's addresses are right already (a CD-R image's table gives them), the root
  // directory is where the file system says, in this track or in any other of the disc: a later
  // session's file system may keep its directories in an earlier session.
  const Record given_root = RootOf(track);
  if (const auto sector = track.Sector(given_root.lba)) {
    const std::optional<Record> self = RecordAt(*sector, 0);
    if (self && self->lba == given_root.lba && self->name == std::string(1, '\0')) return track.first_lba();
  }
  const Track at_zero = track.Rebased(0);
  const Record root = RootOf(at_zero);
  if (const auto sector = at_zero.Sector(root.lba)) {
    const std::optional<Record> self = RecordAt(*sector, 0);
    if (self && self->lba == root.lba && self->name == std::string(1, '\0')) return 0;
  }
  // Made for a later session: its addresses count from where that session starts. The root
  // directory follows the volume descriptors and path tables, near the track's start.
  for (std::uint32_t index = kFirstVolumeDescriptor + 1; index < std::min(at_zero.first_piece_sectors(), 1024u);
       ++index) {
    const std::optional<SectorData> sector = at_zero.Sector(index);
    const std::optional<Record> self = RecordAt(*sector, 0);
    if (self && self->lba == root.lba && self->name == std::string(1, '\0') && root.lba >= index) {
      return root.lba - index;
    }
  }
  RefuseAsInvalid(
      "the image's root directory lies in an earlier session of its disc, which this image does not hold: "
      "read the image of the whole disc");
}

std::optional<std::uint32_t> IsoRootLba(const Track& track) {
  try {
    return RootOf(track).lba;
  } catch (const RunTimeError&) {
    return std::nullopt;
  }
}

std::optional<std::uint32_t> IsoVolumeSectors(const Track& track) {
  const std::optional<SectorData> descriptor = track.Sector(track.first_lba() + kFirstVolumeDescriptor);
  if (!descriptor || std::memcmp(descriptor->data() + 1, "CD001", 5) != 0 ||
      std::to_integer<std::uint8_t>((*descriptor)[0]) != 1) {
    return std::nullopt;
  }
  return LittleEndian32(*descriptor, 80);
}

TableOfContents IsoContents(const ByteSource& image) {
  TocTrack track;
  track.sector_size = static_cast<std::uint32_t>(IsoSectorSize(image).value_or(kSectorData));
  track.sectors = static_cast<std::uint32_t>(std::min<std::uint64_t>(image.size() / track.sector_size, UINT32_MAX));
  return {DiscFormat::Iso, {track}, false, false, image.size(), std::nullopt};
}

}  // namespace quillet
