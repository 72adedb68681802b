#include "formats/chd_metadata.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <optional>
#include <string>
#include <string_view>

#include "formats/chd_codecs.h"
#include "formats/disc_geometry.h"
#include "formats/table_of_contents.h"
#include "util/little_endian.h"
#include "util/run_time_error.h"
#include "util/text_rules.h"

namespace quillet {
namespace {

constexpr std::size_t kMetadataHeaderSize = 16;
constexpr std::uint32_t kTrackPadding = 4;  // each track's frames are padded to a multiple of 4
constexpr std::size_t kMostMetadata = 1024;
constexpr std::uint64_t kLongestTrackEntry = 1024;

// One track's metadata: "TRACK:3 TYPE:MODE1_RAW SUBTYPE:NONE FRAMES:432 PAD:0 PREGAP:0 PGTYPE:MODE1
// PGSUB:NONE POSTGAP:0".
struct TrackEntry {
  ChdTrack track;
  std::uint32_t frames = 0, pregap = 0, postgap = 0;
  bool pregap_stored = false;  // its frames hold the pregap ("PGTYPE:V...")
};

// The value of `key` in an entry's "KEY:value" fields; nothing where the entry has no such field.
std::optional<std::string_view> FieldOf(std::string_view text, std::string_view key) {
  while (!text.empty()) {
    const std::size_t end = std::min(text.find(' '), text.size());
    const std::string_view field = text.substr(0, end);
    if (field.size() > key.size() && field.starts_with(key) && field[key.size()] == ':') {
      return field.substr(key.size() + 1);
    }
    text.remove_prefix(std::min(end + 1, text.size()));
  }
  return std::nullopt;
}

TrackEntry ParseTrackEntry(std::string_view text) {
  const auto refuse = [&](std::string_view why) {
    RefuseAsInvalid("the CHD's table of tracks is damaged: " + std::string(why));
  };
  const auto number = [&](std::string_view key, bool required) {
    const std::optional<std::string_view> digits = FieldOf(text, key);
    std::uint32_t value = 0;
    if (!digits) {
      if (required) refuse("a track has no " + std::string(key));
      return value;
    }
    const auto [end, error] = std::from_chars(digits->data(), digits->data() + digits->size(), value);
    if (error != std::errc() || end != digits->data() + digits->size()) {
      refuse(std::string(key) + " is not a number: " + EscapeControls(*digits));
    }
    return value;
  };
  TrackEntry entry;
  const std::uint32_t track_number = number("TRACK", true);
  if (track_number < 1 || track_number > 99) refuse("a track's number is not 1 to 99");
  entry.track.number = static_cast<int>(track_number);
  const std::string_view type = FieldOf(text, "TYPE").value_or("");
  if (type.empty()) refuse("track " + std::to_string(track_number) + " has no type");
  // A CHD's own names: "MODE1_RAW", not a cue sheet's "MODE1/2352".
  const bool chd_name = type.find_first_of("/ ") == std::string_view::npos;
  const std::optional<SectorForm> form = chd_name ? SectorFormOf(type) : std::nullopt;
  if (!form) {
    RefuseAsInvalid("track " + std::to_string(track_number) + " of the CHD is of type " + EscapeControls(type) +
                    ", which holds no file system Quillet reads");
  }
  entry.track.data = form->data;
  entry.track.sector_size = form->size;
  entry.frames = number("FRAMES", true);
  entry.track.padding = number("PAD", false);
  entry.pregap = number("PREGAP", false);
  entry.postgap = number("POSTGAP", false);
  entry.pregap_stored = FieldOf(text, "PGTYPE").value_or("").starts_with('V');
  if (entry.track.padding > entry.frames || (entry.pregap_stored && entry.pregap > entry.frames)) {
    refuse("track " + std::to_string(track_number) + " is shorter than its gaps");
  }
  return entry;
}

// The tracks the metadata lists, in the order of their numbers.
std::vector<TrackEntry> ReadTrackEntries(const ByteSource& file, std::uint64_t offset, bool& gd_rom) {
  std::vector<TrackEntry> entries;
  std::vector<std::uint64_t> seen;  // the entries' offsets, so that a circle ends at its first repeat
  while (offset != 0) {
    if (std::find(seen.begin(), seen.end(), offset) != seen.end()) {
      RefuseAsInvalid("the CHD's metadata is damaged: its entries run in a circle");
    }
    if (seen.size() == kMostMetadata)
      RefuseAsInvalid("the CHD's metadata is damaged: it has more entries than any disc's");
    seen.push_back(offset);
    std::array<std::byte, kMetadataHeaderSize> header;
    file.Read(offset, header);
    const auto tag = static_cast<std::uint32_t>(BigEndian(header, 0, 4));
    const std::uint64_t length = BigEndian(header, 5, 3);
    if (!file.Holds(offset + kMetadataHeaderSize, length)) {
      RefuseAsInvalid("the CHD is cut short: an entry of its metadata runs past the file's end");
    }
    if (tag == ChdCodec("CHT2") || tag == ChdCodec("CHGD") || tag == ChdCodec("CHTR")) {
      if (length > kLongestTrackEntry) {
        RefuseAsInvalid("the CHD's table of tracks is damaged: an entry is " + std::to_string(length) +
                        " bytes long, where a track's takes a hundred");
      }
      std::string text(static_cast<std::size_t>(length), '\0');
      file.Read(offset + kMetadataHeaderSize, std::as_writable_bytes(std::span(text)));
      text.resize(std::min(text.find('\0'), text.size()));
      entries.push_back(ParseTrackEntry(text));
      gd_rom = gd_rom || tag == ChdCodec("CHGD");
    }
    offset = BigEndian(header, 8, 8);
  }
  if (entries.empty()) RefuseAsInvalid("the CHD is not of a CD or GD-ROM: it holds no table of tracks");
  std::sort(entries.begin(), entries.end(),
            [](const TrackEntry& a, const TrackEntry& b) { return a.track.number < b.track.number; });
  for (std::size_t index = 1; index < entries.size(); ++index) {
    if (entries[index].track.number == entries[index - 1].track.number) {
      RefuseAsInvalid("the CHD's table of tracks is damaged: it lists track " +
                      std::to_string(entries[index].track.number) + " twice");
    }
  }
  return entries;
}

}  // namespace

std::vector<ChdTrack> ReadChdTracks(const ByteSource& file, std::uint64_t offset, std::uint64_t frames_held,
                                    bool& gd_rom) {
  const std::vector<TrackEntry> entries = ReadTrackEntries(file, offset, gd_rom);
  std::vector<ChdTrack> tracks;
  std::int64_t lba = 0;  // of the track's first frame, its pregap's where the CHD holds that
  std::uint64_t frame = 0;
  for (const TrackEntry& entry : entries) {
    ChdTrack track = entry.track;
    const std::uint32_t pregap = entry.pregap_stored ? entry.pregap : 0;
    // LBA 0 is where the first track's pregap ends; a GD-ROM's track 3 begins at LBA 45000.
    if (tracks.empty()) {
      lba = -std::int64_t{pregap};
    } else if (!entry.pregap_stored) {
      lba += entry.pregap;
    }
    if (gd_rom && track.number == 3) lba = std::int64_t{kHighDensityArea} - pregap;
    track.first_frame = frame + pregap;
    track.start_lba = static_cast<std::uint32_t>(std::clamp<std::int64_t>(lba + pregap, 0, UINT32_MAX));
    track.sectors = entry.frames - pregap;
    track.padding = std::min(track.padding, track.sectors);
    frame += (std::uint64_t{entry.frames} + kTrackPadding - 1) / kTrackPadding * kTrackPadding;
    lba += std::int64_t{entry.frames} + entry.postgap;
    if (track.first_frame + track.sectors > frames_held) {
      RefuseAsInvalid("the CHD is damaged: its table of tracks names more frames than it holds");
    }
    tracks.push_back(track);
  }
  return tracks;
}

}  // namespace quillet
