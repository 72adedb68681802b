#pragma once

#include <cstdint>
#include <vector>

#include "util/byte_source.h"

// A CHD's metadata: the chain of its entries, and the table of tracks in them ("CHT2" for a CD,
// "CHGD" for a GD-ROM), placed in the CHD's frames and on the disc.
namespace quillet {

struct ChdTrack {
  int number = 0;
  bool data = false;
  std::uint32_t sector_size = 2352;  // of each frame, a sector's bytes: 2048, 2336 or 2352
  std::uint32_t start_lba = 0;       // on the disc, of its first sector (its INDEX 01); a GD-ROM's
                                     // later data track's as its raw sectors' headers say
  std::uint32_t sectors = 0;         // from there
  std::uint32_t padding = 0;         // of those, the empty sectors added to fill a gap
  std::uint64_t first_frame = 0;     // in the CHD, of its first sector
};

// The tracks the metadata at `offset` in `file` lists, in the order of their numbers: in the CHD one
// after the other, each padded to a multiple of 4 frames, `frames_held` in all; on the disc one
// after the other from LBA 0, gaps the CHD does not hold counted in; a GD-ROM's (`gd_rom` is set)
// from track 3 in its high-density area. Raises run-time error 5 where the metadata is damaged.
std::vector<ChdTrack> ReadChdTracks(const ByteSource& file, std::uint64_t offset, std::uint64_t frames_held,
                                    bool& gd_rom);

}  // namespace quillet
