#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

// An ISO 9660 level 1 file system written from a list of files, as a Dreamcast disc carries one:
// the IP.BIN as its system area, a primary volume descriptor and a terminator, both path tables,
// the directories (upper-case 8.3 names with ";1", sorted), the files (the boot file first), then
// 150 empty sectors, as published discs end theirs. Nothing is held but the tables: the files' bytes
// are read as the image's sectors are asked for.
namespace quillet {

// A name a level 1 file system holds, upper-cased: a file's "NAME.EXT" (1 to 8 letters, digits or
// _, then up to 3 after a dot), a folder's "NAME" (no dot); empty where `name` is none such.
std::string IsoLevel1Name(std::string_view name, bool folder);

// What a level 1 file system holds, after the name it does not.
inline constexpr std::string_view kIsoNameRule =
    " is no name a CD's file system holds (ISO 9660 level 1: 1 to 8 letters, digits or _, then up to 3 after a "
    "dot); a program opens its files by name, so rename it there and in the program";

struct IsoFileEntry {
  std::string path;  // in the file system: "1ST_READ.BIN", "DATA/LEVEL1.DAT" ("/" between folders)
  std::uint64_t size = 0;
  std::string shown;  // the file as a person named it, for a refusal
};

struct IsoVolumeRequest {
  std::vector<std::byte> system_area;  // the IP.BIN: 16 sectors
  std::uint32_t base_lba = 0;          // where the track that holds it begins on the disc
  std::int64_t time = 0;               // the dates recorded, in seconds since 1970 (UTC)
  std::string volume_id;               // up to 32 letters, digits or _
  std::uint32_t least_sectors = 0;     // empty sectors after the pad make the volume this long at least
};

// Reads `into.size()` bytes of file `entry` (an index into the entries) from `offset`.
using IsoFileReader = std::function<void(std::size_t entry, std::uint64_t offset, std::span<std::byte> into)>;

class IsoImage {
 public:
  // Lays out the file system. Raises run-time error 5 naming a file whose path a level 1 file system
  // cannot hold, two files of one name, a folder deeper than 8 levels, or a file beside a folder
  // of its name. The first entry is the boot file: its sectors come first.
  IsoImage(IsoVolumeRequest request, std::vector<IsoFileEntry> entries);

  std::uint32_t sectors() const { return sectors_; }
  // Where each entry's data begins, counted from the volume's first sector.
  std::uint32_t EntrySector(std::size_t entry) const { return entry_sectors_[entry]; }

  // Fills `into` (whole sectors of 2,048 bytes) with the volume's sectors from `first`, the files'
  // bytes read through `read`.
  void Read(std::uint32_t first, std::span<std::byte> into, const IsoFileReader& read) const;

  // Pad sectors after the files, as genisoimage -pad writes them.
  static constexpr std::uint32_t kPadSectors = 150;

 private:
  struct Extent {
    std::uint32_t sector = 0;  // from the volume's start
    std::uint64_t size = 0;
    std::size_t entry = 0;
  };

  std::vector<std::byte> head_;  // the system area, descriptors, path tables and directories
  std::vector<Extent> files_;    // in the order of their sectors
  std::vector<std::uint32_t> entry_sectors_;
  std::uint32_t sectors_ = 0;
};

}  // namespace quillet
