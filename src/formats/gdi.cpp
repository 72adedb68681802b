#include "formats/gdi.h"

#include <algorithm>
#include <charconv>
#include <utility>

#include "util/path_rules.h"
#include "util/run_time_error.h"
#include "util/text_rules.h"

namespace quillet {
namespace {

template <typename Number>
std::optional<Number> NumberOf(std::optional<std::string_view> field) {
  Number value{};
  if (!field || field->empty()) return std::nullopt;
  const auto [end, error] = std::from_chars(field->data(), field->data() + field->size(), value);
  if (error != std::errc() || end != field->data() + field->size()) return std::nullopt;
  return value;
}

// The tracks `text` lists, or what is wrong with it: what the table is, either way, with no
// exception thrown, so that telling a .gdi by its content costs none.
struct Table {
  std::vector<TocTrack> tracks;
  std::string error;  // empty when the table reads
};

Table Parse(std::string_view text) {
  if (text.starts_with("\xEF\xBB\xBF")) text.remove_prefix(3);  // a UTF-8 byte-order mark
  // The lines that say something, with their numbers as an editor shows them, blank lines counted.
  std::vector<std::pair<std::size_t, std::string_view>> lines;
  for (std::size_t start = 0, number = 1; start < text.size(); ++number) {
    const std::size_t end = std::min(text.find('\n', start), text.size());
    const std::string_view line = text.substr(start, end - start);
    if (line.find_first_not_of(" \t\r") != std::string_view::npos) lines.emplace_back(number, line);
    start = end + 1;
  }
  std::string_view first = lines.empty() ? std::string_view() : lines.front().second;
  const std::optional<std::size_t> count = NumberOf<std::size_t>(NextField(first));
  if (!count || *count == 0 || *count > kMostTracks) {
    return {{}, "the .gdi file does not begin with its number of tracks (1 to 99)"};
  }
  if (lines.size() - 1 < *count) {
    return {{},
            "the .gdi file lists " + std::to_string(lines.size() - 1) + " tracks of the " + std::to_string(*count) +
                " it announces"};
  }
  std::vector<TocTrack> tracks;
  for (std::size_t index = 1; index <= *count; ++index) {
    auto [number_of_line, line] = lines[index];
    const std::string where = "line " + std::to_string(number_of_line) + " of the .gdi file";
    const auto number = NumberOf<int>(NextField(line));
    const auto lba = NumberOf<std::uint32_t>(NextField(line));
    const auto type = NumberOf<int>(NextField(line));
    const auto sector_size = NumberOf<std::uint32_t>(NextField(line));
    const std::optional<std::string_view> file = NextField(line);
    const auto offset = NumberOf<long long>(NextField(line));
    const std::optional<SectorForm> form =
        type && sector_size ? SectorFormOf(std::to_string(*type) + " " + std::to_string(*sector_size)) : std::nullopt;
    if (!number || !lba || !form || !file || file->empty() || !offset) {
      return {{}, where + " is no track (number, LBA, type 0 or 4, sector size, file, offset)"};
    }
    // The tracks lie in the table's folder: a name that leads out of it is no track of this disc.
    const std::optional<std::string> inside = PathInsideFolder(*file);
    if (!inside) return {{}, where + " names a track file outside its folder: " + EscapeControls(*file)};
    TocTrack& track = tracks.emplace_back();
    track.number = *number;
    track.start_lba = *lba;
    track.data = form->data;
    track.high_density = *lba >= kHighDensityArea;
    track.sector_size = form->size;
    track.file = *inside;
  }
  return {tracks, ""};
}

// The table of the .gdi file `source`.
Table ReadTable(const ByteSource& source) {
  constexpr std::size_t kLongestGdi = 64 * 1024;  // a few lines a track, 99 tracks at most
  const std::optional<std::string> text = ShortText(source, kLongestGdi);
  if (!text) return {{}, "the .gdi file is too long to be a table of tracks"};
  if (text->find('\0') != std::string::npos) return {{}, "the .gdi file is no text"};
  return Parse(*text);
}

// The tracks of a table that reads; raises run-time error 5 saying what is wrong with any other.
std::vector<TocTrack> TracksOf(const Table& table) {
  if (!table.error.empty()) RefuseAsInvalid(table.error);
  return table.tracks;
}

}  // namespace

std::vector<TocTrack> ParseGdi(std::string_view text) { return TracksOf(Parse(text)); }

bool IsGdi(const ByteSource& source) { return source.size() > 0 && ReadTable(source).error.empty(); }

std::vector<std::string> GdiTrackFiles(const ByteSource& table) {
  std::vector<std::string> names;
  for (const TocTrack& track : ReadTable(table).tracks) names.push_back(track.file);
  return names;
}

TableOfContents GdiContents(TrackFiles& files) {
  TableOfContents toc{DiscFormat::Gdi, TracksOf(ReadTable(files.Open(""))), true, false, 0, std::nullopt};
  // The files of the high-density area's data tracks must be there; another's that is not only
  // goes uncounted.
  for (TocTrack& track : toc.tracks) {
    const std::uint64_t size =
        track.data && track.high_density ? files.Open(track.file).size() : files.SizeIfThere(track.file).value_or(0);
    toc.image_size += size;
    track.sectors = static_cast<std::uint32_t>(std::min<std::uint64_t>(size / track.sector_size, UINT32_MAX));
  }
  return toc;
}

}  // namespace quillet
