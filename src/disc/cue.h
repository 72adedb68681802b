#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

// A cue sheet (.cue), as Redump and most rippers write one: FILE lines naming the track files
// beside the sheet, TRACK lines with their mode, INDEX lines placing each track in its file
// (minutes:seconds:frames, 75 frames a second), PREGAP, and the REM lines that mark a CD-R's
// sessions or a GD-ROM's two areas.
namespace quillet {

// A sheet longer than this is no table of tracks: a few lines a track, 99 tracks at most.
inline constexpr std::size_t kLongestCue = 64 * 1024;

struct CueTrack {
  int session = 1;  // counted from 1
  int number = 0;
  bool data = false;
  std::uint32_t sector_size = 2352;  // 2048, 2336 or 2352
  std::string file;                  // in the sheet's folder, its parts joined by "/"
  std::uint64_t offset = 0;          // in that file, of the track's first sector (its INDEX 01)
  std::uint64_t length = 0;          // in bytes, from there to the next track or the file's end
  std::uint32_t start_lba = 0;       // on the disc, of that sector
  bool high_density = false;         // a GD-ROM's high-density area's
};

// The size in bytes of the track file `file`; raises a run-time error where it cannot be read.
using TrackFileSize = std::function<std::uint64_t(const std::string& file)>;

// The tracks `text` lists, placed on the disc: a CD-R's first track at LBA 0, each file's tracks
// after the one before, a later session 11,400 sectors after the end of the one before it (its
// lead-out, the next lead-in and pregap, as a dumper's REM LEAD-OUT, LEAD-IN and PREGAP lines record
// them or as a CD-R has them), a GD-ROM's high-density area from LBA 45000. Raises run-time error 5
// naming the line that is wrong, or a track file outside the sheet's folder.
std::vector<CueTrack> ParseCue(std::string_view text, const TrackFileSize& file_size);

// True when `text` reads as a cue sheet: a FILE line with a file's type, and a TRACK line with a
// number and a mode.
bool LooksLikeCue(std::string_view text);

// The files `text`'s FILE lines name inside the sheet's folder, as the tracks keep them, once each.
std::vector<std::string> CueFileNames(std::string_view text);

}  // namespace quillet
