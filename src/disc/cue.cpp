#include "disc/cue.h"

#include <algorithm>
#include <charconv>
#include <map>
#include <optional>

#include "util/run_time_error.h"
#include "util/text_rules.h"

namespace quillet {
namespace {

constexpr std::size_t kMostTracks = 99;
// Between two sessions of a CD-R: the first one's lead-out, the next one's lead-in and pregap.
constexpr std::uint32_t kSessionGap = 6750 + 4500 + 150;
constexpr std::uint32_t kHighDensityArea = 45000;

bool Is(std::optional<std::string_view> word, std::string_view keyword) {
  return word && EqualsIgnoringAsciiCase(*word, keyword);
}

// mm:ss:ff as frames; nothing where it is no time.
std::optional<std::uint32_t> FramesOf(std::optional<std::string_view> time) {
  if (!time || time->size() < 8) return std::nullopt;
  std::uint32_t parts[3];
  std::string_view rest = *time;
  for (std::uint32_t& part : parts) {
    const auto [end, error] = std::from_chars(rest.data(), rest.data() + rest.size(), part);
    if (error != std::errc()) return std::nullopt;
    rest.remove_prefix(static_cast<std::size_t>(end - rest.data()));
    if (&part != &parts[2]) {
      if (rest.empty() || rest.front() != ':') return std::nullopt;
      rest.remove_prefix(1);
    }
  }
  if (!rest.empty() || parts[1] >= 60 || parts[2] >= 75 || parts[0] > 99) return std::nullopt;
  return (parts[0] * 60 + parts[1]) * 75 + parts[2];
}

// The sector size and kind of a TRACK line's mode; nothing for a mode no Dreamcast disc has.
std::optional<std::pair<std::uint32_t, bool>> ModeOf(std::optional<std::string_view> mode) {
  if (Is(mode, "AUDIO")) return std::pair{2352u, false};
  if (Is(mode, "MODE1/2352") || Is(mode, "MODE2/2352")) return std::pair{2352u, true};
  if (Is(mode, "MODE1/2048")) return std::pair{2048u, true};
  if (Is(mode, "MODE2/2336")) return std::pair{2336u, true};
  return std::nullopt;
}

}  // namespace

std::vector<CueTrack> ParseCue(std::string_view text, const TrackFileSize& file_size) {
  if (text.starts_with("\xEF\xBB\xBF")) text.remove_prefix(3);  // a UTF-8 byte-order mark
  std::vector<CueTrack> tracks;
  std::map<std::string, std::uint64_t> sizes;  // of the files named so far
  int session = 1;
  bool high_density = false;
  std::string file;                // the file the next tracks lie in
  std::uint32_t file_start = 0;    // where its first sector lies on the disc
  std::uint32_t file_sectors = 0;  // in it, of the sector size of its first track
  std::uint32_t next_start = 0;    // where a next file begins on the disc
  bool index_seen = true;          // the last TRACK has its INDEX 01
  const auto end_file = [&] {
    if (!file.empty()) next_start = file_start + file_sectors;
    file.clear();
  };
  std::size_t number = 0;
  for (std::size_t start = 0; start < text.size();) {
    ++number;
    const std::size_t end = std::min(text.find('\n', start), text.size());
    std::string_view line = text.substr(start, end - start);
    start = end + 1;
    const std::string where = "line " + std::to_string(number) + " of the cue sheet";
    const std::optional<std::string_view> keyword = NextField(line);
    if (!keyword) continue;
    if (Is(keyword, "REM")) {
      const std::optional<std::string_view> what = NextField(line);
      if (Is(what, "SESSION")) {
        const std::optional<std::string_view> count = NextField(line);
        int value = 0;
        if (!count || std::from_chars(count->data(), count->data() + count->size(), value).ec != std::errc() ||
            value < session || value > 99) {
          RefuseAsInvalid(where + " is no session number after the one before");
        }
        if (value > session && !tracks.empty()) {
          end_file();
          next_start += kSessionGap;
        }
        session = value;
      } else if (Is(what, "HIGH-DENSITY")) {
        end_file();
        if (next_start > kHighDensityArea) RefuseAsInvalid(where + ": the single-density area ends past LBA 45000");
        next_start = kHighDensityArea;
        high_density = true;
      }
    } else if (Is(keyword, "FILE")) {
      const std::optional<std::string_view> name = NextField(line);
      if (!name || name->empty()) RefuseAsInvalid(where + " names no file");
      // The tracks lie beside the sheet: a name that leads elsewhere is no track of this disc.
      if (name->find_first_of("/\\") != std::string_view::npos || *name == ".." || *name == ".") {
        RefuseAsInvalid(where + " names a track file outside its folder");
      }
      end_file();
      file = std::string(*name);
      if (!sizes.contains(file)) sizes[file] = file_size(file);
      file_start = next_start;
      file_sectors = 0;
    } else if (Is(keyword, "TRACK")) {
      const std::optional<std::string_view> track_number = NextField(line);
      const auto mode = ModeOf(NextField(line));
      int value = 0;
      if (!track_number ||
          std::from_chars(track_number->data(), track_number->data() + track_number->size(), value).ec != std::errc() ||
          value < 1 || value > 99 || !mode) {
        RefuseAsInvalid(where +
                        " is no track (TRACK, a number from 1 to 99, AUDIO or MODE1/2352, MODE2/2352, "
                        "MODE1/2048, MODE2/2336)");
      }
      if (file.empty()) RefuseAsInvalid(where + " is a track before any FILE line");
      if (!index_seen) RefuseAsInvalid("the track before " + where + " has no INDEX 01");
      if (tracks.size() == kMostTracks) RefuseAsInvalid("the cue sheet lists more than 99 tracks");
      CueTrack track;
      track.session = session;
      track.number = value;
      track.data = mode->second;
      track.sector_size = mode->first;
      track.file = file;
      track.high_density = high_density;
      if (file_sectors == 0)
        file_sectors = static_cast<std::uint32_t>(std::min<std::uint64_t>(sizes[file] / track.sector_size, UINT32_MAX));
      tracks.push_back(track);
      index_seen = false;
    } else if (Is(keyword, "PREGAP")) {
      const std::optional<std::uint32_t> frames = FramesOf(NextField(line));
      if (!frames || tracks.empty() || index_seen) RefuseAsInvalid(where + " is no pregap of a track");
      // Silence the disc has and the file does not: what follows in the file lies that much later.
      file_start += *frames;
    } else if (Is(keyword, "INDEX")) {
      const std::optional<std::string_view> index = NextField(line);
      const std::optional<std::uint32_t> frames = FramesOf(NextField(line));
      if (!index || !frames || tracks.empty()) RefuseAsInvalid(where + " is no index of a track (INDEX nn mm:ss:ff)");
      if (*index == "01" || *index == "1") {
        CueTrack& track = tracks.back();
        track.offset = std::uint64_t{*frames} * track.sector_size;
        track.start_lba = file_start + *frames;
        if (track.offset > sizes[file])
          RefuseAsInvalid(where + " places the track past the end of " + EscapeControls(file));
        index_seen = true;
      }
    }
  }
  if (tracks.empty()) RefuseAsInvalid("the cue sheet lists no tracks");
  if (!index_seen) RefuseAsInvalid("the cue sheet's last track has no INDEX 01");
  // Each track runs to the next one in its file, or to the file's end.
  for (std::size_t index = 0; index < tracks.size(); ++index) {
    const bool next_in_file = index + 1 < tracks.size() && tracks[index + 1].file == tracks[index].file;
    const std::uint64_t end = next_in_file ? tracks[index + 1].offset : sizes[tracks[index].file];
    if (end < tracks[index].offset) RefuseAsInvalid("the cue sheet's tracks are out of order in their file");
    tracks[index].length = end - tracks[index].offset;
  }
  return tracks;
}

namespace {

// Calls `line(keyword, rest)` for each line that has a word.
template <typename Line>
void ForEachLine(std::string_view text, Line line) {
  for (std::size_t start = 0; start < text.size();) {
    const std::size_t end = std::min(text.find('\n', start), text.size());
    std::string_view rest = text.substr(start, end - start);
    start = end + 1;
    if (const std::optional<std::string_view> keyword = NextField(rest)) line(*keyword, rest);
  }
}

}  // namespace

bool LooksLikeCue(std::string_view text) {
  bool file = false, track = false;
  ForEachLine(text, [&](std::string_view keyword, std::string_view rest) {
    // FILE name type, and TRACK number mode: a text that merely has lines beginning with those
    // words is no cue sheet.
    const std::optional<std::string_view> first = NextField(rest), second = NextField(rest);
    if (Is(keyword, "FILE") && first) {
      for (const std::string_view type : {"BINARY", "MOTOROLA", "WAVE", "MP3", "AIFF"}) file = file || Is(second, type);
    }
    track = track || (Is(keyword, "TRACK") && first && second &&
                      first->find_first_not_of("0123456789") == std::string_view::npos);
  });
  return file && track;
}

std::vector<std::string> CueFileNames(std::string_view text) {
  std::vector<std::string> names;
  ForEachLine(text, [&](std::string_view keyword, std::string_view rest) {
    const std::optional<std::string_view> name = Is(keyword, "FILE") ? NextField(rest) : std::nullopt;
    if (name && std::find(names.begin(), names.end(), *name) == names.end()) names.emplace_back(*name);
  });
  return names;
}

}  // namespace quillet
