#include "formats/cue.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <map>
#include <optional>

#include "formats/disc_geometry.h"
#include "formats/sector.h"
#include "util/path_rules.h"
#include "util/run_time_error.h"
#include "util/text_rules.h"

namespace quillet {
namespace {

// A track as the sheet places it, before its length is known.
struct CueTrack {
  int session = 1, number = 0;
  bool data = false, high_density = false;
  std::uint32_t sector_size = 2352;
  std::string file;
  std::uint64_t offset = 0;  // in that file, of the track's first sector (its INDEX 01)
  std::uint64_t length = 0;  // in bytes, from there to the next track or the file's end
  std::uint32_t start_lba = 0;
};

bool Is(std::optional<std::string_view> word, std::string_view keyword) {
  return word && EqualsIgnoringAsciiCase(*word, keyword);
}

// A whole field as a number; nothing where it is none, or has more after the digits.
std::optional<int> WholeNumber(std::optional<std::string_view> field) {
  int value = 0;
  if (!field || field->empty()) return std::nullopt;
  const auto [end, error] = std::from_chars(field->data(), field->data() + field->size(), value);
  if (error != std::errc() || end != field->data() + field->size()) return std::nullopt;
  return value;
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

// Calls `line(number, keyword, rest)` for each line of `text` that has a word, `number` counting
// from 1 as an editor does. Every reader of a sheet reads its lines through this one, so that what
// one reader takes for a FILE line every other does too.
template <typename Line>
void ForEachLine(std::string_view text, Line line) {
  std::size_t number = 0;
  for (std::size_t start = 0; start < text.size();) {
    ++number;
    const std::size_t end = std::min(text.find('\n', start), text.size());
    std::string_view rest = text.substr(start, end - start);
    start = end + 1;
    if (const std::optional<std::string_view> keyword = NextField(rest)) line(number, *keyword, rest);
  }
}

// A FILE line's name as the tracks keep it; raises run-time error 5 where it leads out of the
// sheet's folder.
std::string TrackFileOf(std::optional<std::string_view> name, const std::string& where) {
  if (!name || name->empty()) RefuseAsInvalid(where + " names no file");
  const std::optional<std::string> inside = PathInsideFolder(*name);
  if (!inside) RefuseAsInvalid(where + " names a track file outside its folder: " + EscapeControls(*name));
  return *inside;
}

// The sheet read line by line: where each file and track lies on the disc.
class CueReader {
 public:
  explicit CueReader(const TrackFileSize& file_size) : file_size_(file_size) {}

  void Line(std::size_t number, std::string_view keyword, std::string_view rest) {
    where_ = "line " + std::to_string(number) + " of the cue sheet";
    if (Is(keyword, "REM")) {
      Remark(rest);
    } else if (Is(keyword, "FILE")) {
      File(NextField(rest));
    } else if (Is(keyword, "TRACK")) {
      const std::optional<std::string_view> track_number = NextField(rest);
      // Only a cue sheet's own modes: "MODE1/2352", not a CHD's "MODE1_RAW".
      const std::optional<std::string_view> mode = NextField(rest);
      const bool cue_mode = mode && (mode->find('/') != std::string_view::npos || Is(mode, "AUDIO"));
      TrackLine(WholeNumber(track_number), cue_mode ? SectorFormOf(*mode) : std::nullopt);
    } else if (Is(keyword, "PREGAP")) {
      const std::optional<std::uint32_t> frames = FramesOf(NextField(rest));
      if (!frames || tracks_.empty() || index_seen_) RefuseAsInvalid(where_ + " is no pregap of a track");
      // Silence the disc has and the file does not: what follows in the file lies that much later.
      file_start_ += *frames;
    } else if (Is(keyword, "INDEX")) {
      const std::optional<std::string_view> index = NextField(rest);
      Index(index, FramesOf(NextField(rest)));
    }
  }

  std::vector<TocTrack> Finish() {
    if (tracks_.empty()) RefuseAsInvalid("the cue sheet lists no tracks");
    if (!index_seen_) RefuseAsInvalid("the cue sheet's last track has no INDEX 01");
    // Each track runs to the next one in its file, or to the file's end.
    for (std::size_t index = 0; index < tracks_.size(); ++index) {
      const bool next_in_file = index + 1 < tracks_.size() && tracks_[index + 1].file == tracks_[index].file;
      const std::uint64_t end = next_in_file ? tracks_[index + 1].offset : sizes_[tracks_[index].file];
      if (end < tracks_[index].offset) RefuseAsInvalid("the cue sheet's tracks are out of order in their file");
      tracks_[index].length = end - tracks_[index].offset;
    }
    std::vector<TocTrack> placed;
    for (const CueTrack& track : tracks_) {
      TocTrack& toc_track = placed.emplace_back();
      toc_track.number = track.number;
      toc_track.session = track.session;
      toc_track.data = track.data;
      toc_track.high_density = track.high_density;
      toc_track.sector_size = track.sector_size;
      toc_track.start_lba = track.start_lba;
      toc_track.sectors =
          static_cast<std::uint32_t>(std::min<std::uint64_t>(track.length / track.sector_size, UINT32_MAX));
      toc_track.file = track.file;
      toc_track.offset = track.offset;
    }
    return placed;
  }

 private:
  void Remark(std::string_view rest) {
    const std::optional<std::string_view> what = NextField(rest);
    if (Is(what, "SESSION")) {
      const std::optional<int> value = WholeNumber(NextField(rest));
      if (!value || *value < numbered_session_ || *value > 99) {
        RefuseAsInvalid(where_ + " is no session number after the one before");
      }
      // A session begins with its first track: a sheet whose first line names session 2 has one.
      if (*value > numbered_session_ && !tracks_.empty()) new_session_ = true;
      numbered_session_ = *value;
    } else if (Is(what, "LEAD-OUT") || Is(what, "LEAD-IN") || Is(what, "PREGAP")) {
      // A dumper's record of the gap between two sessions, before the next one's tracks.
      const std::optional<std::uint32_t> frames = FramesOf(NextField(rest));
      if (!frames) RefuseAsInvalid(where_ + " is no length of a session's " + AsciiUppercase(*what));
      (Is(what, "LEAD-OUT") ? lead_out_ : Is(what, "LEAD-IN") ? lead_in_ : pregap_) = *frames;
    } else if (Is(what, "HIGH-DENSITY")) {
      EndFile();
      if (next_start_ > kHighDensityArea) RefuseAsInvalid(where_ + ": the single-density area ends past LBA 45000");
      next_start_ = kHighDensityArea;
      high_density_ = true;
    }
  }

  void File(std::optional<std::string_view> name) {
    const std::string file = TrackFileOf(name, where_);
    EndFile();
    file_ = file;
    if (!sizes_.contains(file_)) sizes_[file_] = file_size_(file_);
    file_start_ = next_start_;
    file_sectors_ = 0;
  }

  void TrackLine(std::optional<int> number, std::optional<SectorForm> mode) {
    if (!number || *number < 1 || *number > 99 || !mode) {
      RefuseAsInvalid(where_ +
                      " is no track (TRACK, a number from 1 to 99, AUDIO or MODE1/2352, MODE2/2352, "
                      "MODE1/2048, MODE2/2336)");
    }
    if (file_.empty()) RefuseAsInvalid(where_ + " is a track before any FILE line");
    if (!index_seen_) RefuseAsInvalid("the track before " + where_ + " has no INDEX 01");
    if (tracks_.size() == kMostTracks) RefuseAsInvalid("the cue sheet lists more than 99 tracks");
    if (new_session_) {
      // The disc goes on after the gap; the file, where it left off.
      file_start_ += SessionGap();
      ++session_;
      new_session_ = false;
    }
    CueTrack track;
    track.session = session_;
    track.number = *number;
    track.data = mode->data;
    track.sector_size = mode->size;
    track.file = file_;
    track.high_density = high_density_;
    if (file_sectors_ == 0) file_sectors_ = sizes_[file_] / track.sector_size;
    tracks_.push_back(track);
    index_seen_ = false;
  }

  void Index(std::optional<std::string_view> index, std::optional<std::uint32_t> frames) {
    if (!index || !frames || tracks_.empty()) RefuseAsInvalid(where_ + " is no index of a track (INDEX nn mm:ss:ff)");
    if (*index != "01" && *index != "1") return;
    CueTrack& track = tracks_.back();
    track.offset = std::uint64_t{*frames} * track.sector_size;
    if (track.offset > sizes_[file_])
      RefuseAsInvalid(where_ + " places the track past the end of " + EscapeControls(file_));
    // A sheet that places a track past any disc's end (a file of terabytes) is no disc's.
    const std::uint64_t lba = file_start_ + *frames;
    if (lba > kLastLba) {
      RefuseAsInvalid(where_ + " places track " + std::to_string(track.number) + " at LBA " + std::to_string(lba) +
                      ", past the end of any disc (LBA 549150)");
    }
    track.start_lba = static_cast<std::uint32_t>(lba);
    index_seen_ = true;
  }

  // The sectors between the last session's end and the next one's first track, as the sheet records
  // them or as a CD-R has them.
  std::uint64_t SessionGap() {
    const std::uint64_t gap = lead_out_.value_or(session_ == 1 ? kFirstLeadOut : kLaterLeadOut) +
                              lead_in_.value_or(kLeadIn) + pregap_.value_or(kSessionPregap);
    lead_out_.reset(), lead_in_.reset(), pregap_.reset();
    return gap;
  }

  void EndFile() {
    if (!file_.empty()) next_start_ = file_start_ + file_sectors_;
    file_.clear();
  }

  const TrackFileSize& file_size_;
  std::string where_;
  std::vector<CueTrack> tracks_;
  std::map<std::string, std::uint64_t> sizes_;  // of the files named so far
  int session_ = 1;                             // of the tracks, counting those that hold any
  int numbered_session_ = 1;                    // as the sheet numbers them
  bool new_session_ = false;                    // the next track begins a session
  std::optional<std::uint32_t> lead_out_, lead_in_, pregap_;
  bool high_density_ = false;
  std::string file_;                // the file the next tracks lie in
  std::uint64_t file_start_ = 0;    // where its first sector lies on the disc
  std::uint64_t file_sectors_ = 0;  // in it, of the sector size of its first track
  std::uint64_t next_start_ = 0;    // where a next file begins on the disc
  bool index_seen_ = true;          // the last TRACK has its INDEX 01
};

}  // namespace

std::vector<TocTrack> ParseCue(std::string_view text, const TrackFileSize& file_size) {
  CueReader reader(file_size);
  ForEachLine(text, [&](std::size_t number, std::string_view keyword, std::string_view rest) {
    reader.Line(number, keyword, rest);
  });
  return reader.Finish();
}

TableOfContents CueContents(TrackFiles& files) {
  const std::optional<std::string> text = ShortText(files.Open(""), kLongestCue);
  if (!text) RefuseAsInvalid("the cue sheet is too long to be a table of tracks");
  TableOfContents toc{DiscFormat::Cue,
                      ParseCue(*text, [&](const std::string& file) { return files.Open(file).size(); }),
                      false,
                      false,
                      0,
                      std::nullopt};
  std::vector<std::string_view> counted;
  for (const TocTrack& track : toc.tracks) {
    toc.gd_rom = toc.gd_rom || track.high_density;
    if (std::find(counted.begin(), counted.end(), track.file) != counted.end()) continue;
    counted.push_back(track.file);
    toc.image_size += files.Open(track.file).size();
  }
  return toc;
}

bool LooksLikeCue(std::string_view text) {
  bool file = false, track = false;
  ForEachLine(text, [&](std::size_t, std::string_view keyword, std::string_view rest) {
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
  ForEachLine(text, [&](std::size_t, std::string_view keyword, std::string_view rest) {
    if (!Is(keyword, "FILE")) return;
    const std::optional<std::string_view> name = NextField(rest);
    const std::optional<std::string> inside = name ? PathInsideFolder(*name) : std::nullopt;
    if (inside && std::find(names.begin(), names.end(), *inside) == names.end()) names.push_back(*inside);
  });
  return names;
}

std::string RedumpTrackFile(std::string_view name, int number, std::size_t tracks) {
  const std::string digits = std::to_string(number);
  return std::string(name) + " (Track " + (tracks >= 10 && number < 10 ? "0" : "") + digits + ").bin";
}

std::string RedumpCueSheet(const TableOfContents& toc, TrackFiles& files, std::string_view name, int second_session) {
  const auto time = [](std::uint32_t frames) {
    return DecimalDigits(frames / (75 * 60), 2) + ":" + DecimalDigits(frames / 75 % 60, 2) + ":" +
           DecimalDigits(frames % 75, 2);
  };
  std::string sheet = toc.gd_rom ? "REM SINGLE-DENSITY AREA\r\n" : second_session ? "REM SESSION 01\r\n" : "";
  std::uint32_t next = 0;
  for (const TocTrack& track : toc.tracks) {
    if (track.number == second_session) sheet += "REM SESSION 02\r\n";
    const bool area_starts = toc.gd_rom && track.high_density && next < kHighDensityArea;
    if (area_starts) sheet += "REM HIGH-DENSITY AREA\r\n";
    std::string mode = "AUDIO";
    if (track.data) {
      std::array<std::byte, 16> header{};
      if (track.sector_size >= kRawSector) files.Open(track.file).Read(track.offset, header);
      const bool mode2 = track.sector_size == kMode2Sector || std::to_integer<int>(header[kRawModeByte]) == 2;
      mode = (mode2 ? "MODE2/" : "MODE1/") + std::to_string(track.sector_size);
    }
    sheet += "FILE \"" + RedumpTrackFile(name, track.number, toc.tracks.size()) + "\" BINARY\r\n  TRACK " +
             DecimalDigits(static_cast<std::uint64_t>(track.number), 2) + " " + mode + "\r\n";
    const std::uint32_t area_start = area_starts ? kHighDensityArea : next;
    if (track.start_lba > area_start && track.number != second_session) {
      sheet += "    PREGAP " + time(track.start_lba - area_start) + "\r\n";
    }
    sheet += "    INDEX 01 00:00:00\r\n";
    next = track.start_lba + track.sectors;
  }
  return sheet;
}

}  // namespace quillet
