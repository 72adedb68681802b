#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "formats/disc_geometry.h"
#include "formats/table_of_contents.h"
#include "util/byte_source.h"

// A GD-ROM dump's table of contents, the .gdi text: a line with the number of tracks, then a line
// a track: its number, start LBA, type (0 audio, 4 data), sector size, file name (in double quotes
// where it holds blanks) and an offset.
namespace quillet {

// The tracks `text` lists, in the table's order, their sectors not yet counted (their files are
// not read); raises run-time error 5 naming the line that is wrong.
std::vector<TocTrack> ParseGdi(std::string_view text);

// True when `source` is a .gdi file that lists at least one track.
bool IsGdi(const ByteSource& source);

// The track files the .gdi file `table` names, in its folder; nothing where it does not read.
std::vector<std::string> GdiTrackFiles(const ByteSource& table);

// The table of contents of the GD-ROM dump whose .gdi file is `files`' image: each track's sectors
// counted from its file, which must be there for a data track. Raises run-time error 5 where the
// table is no text, too long or malformed.
TableOfContents GdiContents(TrackFiles& files);

}  // namespace quillet
