#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "formats/table_of_contents.h"

// A cue sheet (.cue), as Redump and most rippers write one: FILE lines naming the track files
// beside the sheet, TRACK lines with their mode, INDEX lines placing each track in its file
// (minutes:seconds:frames, 75 frames a second), PREGAP, and the REM lines that mark a CD-R's
// sessions or a GD-ROM's two areas.
namespace quillet {

// A sheet longer than this is no table of tracks: a few lines a track, 99 tracks at most.
inline constexpr std::size_t kLongestCue = 64 * 1024;

// The size in bytes of the track file `file`; raises a run-time error where it cannot be read.
using TrackFileSize = std::function<std::uint64_t(const std::string& file)>;

// The tracks `text` lists, placed on the disc: a CD-R's first track at LBA 0, each file's tracks
// after the one before, a later session 11,400 sectors after the end of the one before it (its
// lead-out, the next lead-in and pregap, as a dumper's REM LEAD-OUT, LEAD-IN and PREGAP lines record
// them or as a CD-R has them), a GD-ROM's high-density area from LBA 45000. Raises run-time error 5
// naming the line that is wrong, or a track file outside the sheet's folder.
std::vector<TocTrack> ParseCue(std::string_view text, const TrackFileSize& file_size);

// The table of contents of the cue sheet that is `files`' image, its track files opened through
// `files`. Raises run-time error 5 where the sheet is too long, or as ParseCue does.
TableOfContents CueContents(TrackFiles& files);

// True when `text` reads as a cue sheet: a FILE line with a file's type, and a TRACK line with a
// number and a mode.
bool LooksLikeCue(std::string_view text);

// The file a track of RedumpCueSheet's sheet lies in: "NAME (Track 1).bin", "NAME (Track 01).bin"
// on a disc of ten tracks or more.
std::string RedumpTrackFile(std::string_view name, int number, std::size_t tracks);

// A cue sheet as Redump writes one, a file a track named by RedumpTrackFile, for the disc `toc`
// describes, its tracks' bytes in `files`: each data track's mode from its first sector's header,
// the gaps before tracks that the files do not hold as PREGAP lines, a GD-ROM's two areas marked.
// Where `second_session` names a track, REM SESSION lines put it and what follows in a second session.
std::string RedumpCueSheet(const TableOfContents& toc, TrackFiles& files, std::string_view name, int second_session);

// The files `text`'s FILE lines name inside the sheet's folder, as the tracks keep them, once each.
std::vector<std::string> CueFileNames(std::string_view text);

}  // namespace quillet
