#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "disc/disc_source.h"
#include "disc/track.h"

// A DiscJuggler image (.cdi), read-only: the tracks' data one after the other from the file's
// start, then a table of sessions and tracks, then an 8-byte trailer that gives the table's
// version and where it begins.
namespace quillet {

struct CdiTrack {
  int session = 0;  // counted from 1, as a person names them
  int number = 0;   // on the disc, counted from 1
  bool data = false;
  std::uint32_t sector_size = 0;  // 2048, 2336, 2352, 2368 or 2448
  std::uint32_t start_lba = 0;    // of its first sector after the pregap
  std::uint32_t length = 0;       // in sectors, after the pregap
  std::uint64_t offset = 0;       // in the image, of that first sector
};

// True when the last 8 bytes are a trailer of a known version (2, 3 or 3.5) that points inside the
// image, at a table that begins as a table of tracks does.
bool IsCdiImage(const DiscSource& image);

struct CdiTable {
  std::vector<CdiTrack> tracks;  // of every session, in order
  bool left_open = false;        // the disc left open for another session: its last session is empty
};

// The image's table. Raises run-time error 5 saying what is wrong where the table is cut or
// malformed; no field sizes an allocation or a loop beyond fixed caps.
CdiTable ReadCdiTable(const DiscSource& image);

// The track a CD-R boots: the first data track of the last session.
std::optional<CdiTrack> CdiBootTrack(const std::vector<CdiTrack>& tracks);

// The data area of a CD-R whose boot track is `boot`: every data track of the image, the boot
// track's session first, as one file system reads them. Raises run-time error 5 where the image
// ends before the boot track begins.
Track CdiDataArea(const DiscSource& image, const std::vector<CdiTrack>& tracks, const CdiTrack& boot);

}  // namespace quillet
