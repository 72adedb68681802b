#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "formats/chd_metadata.h"
#include "formats/table_of_contents.h"
#include "util/byte_source.h"

// A CD's or GD-ROM's image in MAME's compressed hunks of data (.chd, version 5): a header, a map of
// the hunks (each compressed by one of up to four codecs, stored whole, or a copy of another), and
// metadata with the table of tracks. The frames of every track follow each other, each track
// padded to a multiple of 4 frames; a frame is 2,448 bytes, the sector's and then the subcode.
// Only the hunks that are read are decompressed, each checked against its CRC.
namespace quillet {

// True when `source` begins as a CHD does ("MComprHD").
bool IsChd(const ByteSource& source);

class ChdHunks;  // the frames, read a hunk at a time

class ChdImage {
 public:
  // Reads the header, the map and the table of tracks of `file`, which must outlive the image.
  // Raises run-time error 5 saying why where it is no CHD of version 5, has a parent, is not of a
  // CD, or is damaged or cut short.
  explicit ChdImage(const ByteSource& file);
  ~ChdImage();
  ChdImage(const ChdImage&) = delete;
  ChdImage& operator=(const ChdImage&) = delete;

  // A GD-ROM's, whose high-density area begins at track 3 and LBA 45000; else a CD's, whose
  // sessions a CHD does not keep.
  bool gd_rom() const { return gd_rom_; }
  const std::vector<ChdTrack>& tracks() const { return tracks_; }

  // The sectors of `track` (one of tracks()), `sector_size` bytes each, as its own file would
  // hold them; valid while the image is. Reading a damaged hunk raises run-time error 5 naming it.
  std::unique_ptr<ByteSource> TrackData(const ChdTrack& track) const;
  // How many hunks were decompressed so far: each once, while the hunks read since fit the cache.
  std::uint64_t decompressions() const;

 private:
  // A GD-ROM's file system may go on from track 3 into later data tracks, where it must be read at
  // the addresses it was made for: a raw sector's header says where the disc has it, whatever gaps
  // the CHD's table counts.
  void PlaceLaterDataTracks();

  std::unique_ptr<ChdHunks> hunks_;
  std::vector<ChdTrack> tracks_;
  bool gd_rom_ = false;
};

// The table of contents of the CHD that is `files`' image: a GD-ROM's, or a CD's of one session
// (a CHD keeps no sessions). Its tracks' sectors are added to `files`, read out of the frames as
// each track's own file would hold them.
TableOfContents ChdContents(TrackFiles& files);

}  // namespace quillet
