#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "formats/table_of_contents.h"
#include "formats/track.h"

// The ISO 9660 file system of a data track, read-only: the primary volume descriptor, then the
// directories from the root down, to find one file by name.
namespace quillet {

struct IsoFile {
  std::string name;  // as the directory holds it, version suffix and all
  std::uint32_t lba = 0;
  std::uint32_t size = 0;
};

// Finds the file `name` (letter case and a ";1" version suffix ignored) in the root directory or
// any directory below it, breadth first. Every field is checked against the track; directories
// are followed to a bounded depth and number, so that a loop of directories ends. Nothing when the
// file system holds no such file; raises run-time error 5 naming what is wrong with a track that
// holds no ISO 9660 file system, and with a file stored in several extents.
std::optional<IsoFile> FindIsoFile(const Track& track, std::string_view name);

// A run of sectors the file system gives to something: its IP.BIN (the system area), a volume
// descriptor, a path table, a directory or a file.
struct IsoExtent {
  std::string what;  // "the IP.BIN", "a volume descriptor", "a path table", "the directory GAME", "the file X.BIN;1"
  std::uint32_t lba = 0;
  std::uint32_t sectors = 0;
};

// The first extent of the file system on `track` that shares any of the `count` sectors from `first`,
// the extent of the file `name` as FindIsoFile finds it left out (a second record of that file is
// another): the IP.BIN's, a volume descriptor's, a path table's, a directory's or another file's, read
// as FindIsoFile reads the directories. Nothing where none does; raises run-time error 5 where the
// directories cannot all be read.
std::optional<IsoExtent> IsoExtentOver(const Track& track, std::string_view name, std::uint32_t first,
                                       std::uint32_t count);

// The size of an ISO image's sectors (2048, 2336, 2352, 2368 or 2448): the one in which a volume
// descriptor ("CD001") begins sector 16, or else a Dreamcast bootstrap begins the first sector of
// more than the bootstrap's 16. Nothing for any other file.
std::optional<std::size_t> IsoSectorSize(const ByteSource& source);

// An ISO image's table of contents: its one data track, in the sector size IsoSectorSize tells
// (2,048 bytes where it tells none), which lies wherever it is burned or dumped.
TableOfContents IsoContents(const ByteSource& image);

// The logical block address `track`'s first sector has in its own file system's addresses: 0 for
// an image made for the start of a disc, the session's start for one made with genisoimage -C,
// told from where the root directory lies (its "." entry names its own address).
std::uint32_t IsoTrackBase(const Track& track);

// Where the root directory lies, as the primary volume descriptor says; nothing where the track
// holds none.
std::optional<std::uint32_t> IsoRootLba(const Track& track);

// The sectors the file system says it spans (its primary volume descriptor's volume space):
// genisoimage and DiscJuggler count them from the session's start, where the track begins. Nothing
// where the track holds no volume descriptor.
std::optional<std::uint32_t> IsoVolumeSectors(const Track& track);

}  // namespace quillet
