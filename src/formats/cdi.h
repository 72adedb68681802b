#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "formats/table_of_contents.h"
#include "util/byte_source.h"

// A DiscJuggler image (.cdi): the tracks' data one after the other from the file's
// start, then a table of sessions and tracks, then an 8-byte trailer that gives the table's
// version and where it begins.
namespace quillet {

// True when the last 8 bytes are a trailer of a known version (2, 3 or 3.5) that points inside the
// image, at a table that begins as a table of tracks does.
bool IsCdiImage(const ByteSource& image);

// The image's table of contents, its tracks' bytes in the image itself. Raises run-time error 5
// saying what is wrong where the table is cut or malformed; no field sizes an allocation or a loop
// beyond fixed caps.
TableOfContents CdiContents(const ByteSource& image);

// A track as a version 3.5 table lists it: its sectors in the image are its pregap's, then its own.
struct CdiTrackEntry {
  bool data = true;             // mode 2, in 2,336-byte sectors; else audio, in 2,352
  std::uint32_t start_lba = 0;  // of its first sector after the pregap
  std::uint32_t pregap = 150;
  std::uint32_t sectors = 0;  // after the pregap
};

// The table and trailer that follow the tracks' sectors in a version 3.5 image of these sessions
// (each a track), closed, as DiscJuggler 4 writes them: `file_name` is the file the table says it
// was made from, `label` the disc's name (its volume identifier).
std::vector<std::byte> CdiTable(const std::vector<CdiTrackEntry>& sessions, std::string_view file_name,
                                std::string_view label);

}  // namespace quillet
