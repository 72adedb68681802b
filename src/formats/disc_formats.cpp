#include "formats/disc_formats.h"

#include <array>

#include "formats/cdi.h"
#include "formats/chd.h"
#include "formats/cue.h"
#include "formats/gdi.h"
#include "formats/iso9660.h"

namespace quillet {
namespace {

bool IsIso(const ByteSource& source) { return IsoSectorSize(source).has_value(); }

bool IsCue(const ByteSource& source) {
  const std::optional<std::string> text = ShortText(source, kLongestCue);
  return text && text->find('\0') == std::string::npos && LooksLikeCue(*text);
}

std::vector<std::string> CueTrackFiles(const ByteSource& table) {
  return CueFileNames(ShortText(table, kLongestCue).value_or(""));
}

constexpr std::array<DiscFormatRow, 5> kFormats = {{
    {.format = DiscFormat::Cdi,
     .extension = "cdi",
     .listed = "CDI",
     .image_words = "a CDI image",
     .table_words = "the image",
     .described = "DiscJuggler disc image",
     .mime_type = "application/x-discjuggler-cd-image",
     .mime_parent = "application/octet-stream",
     .right_click = true,
     .set_of_files = false,
     .lone_track = false,
     .keeps_sessions = true,
     .loses_sessions = false,
     .records_closed = true,
     .fixed_as = DiscFormat::Cdi,
     .told_order = 1,
     .told = IsCdiImage,
     .contents = [](TrackFiles& files) { return CdiContents(files.Open("")); },
     .track_files = nullptr},
    {.format = DiscFormat::Iso,
     .extension = "iso",
     .listed = "ISO",
     .image_words = "an ISO image",
     .table_words = "the image",
     .described = "ISO 9660 disc image",
     .mime_type = "application/x-cd-image",
     .mime_parent = "application/octet-stream",
     .right_click = false,
     .set_of_files = false,
     .lone_track = true,
     .keeps_sessions = false,
     .loses_sessions = false,
     .records_closed = false,
     .fixed_as = DiscFormat::Iso,
     .told_order = 2,
     .told = IsIso,
     .contents = [](TrackFiles& files) { return IsoContents(files.Open("")); },
     .track_files = nullptr},
    {.format = DiscFormat::Gdi,
     .extension = "gdi",
     .listed = "GD-ROM (.gdi)",
     .image_words = "a GD-ROM (GDI) image",
     .table_words = "the .gdi file",
     .described = "GD-ROM dump's table of tracks",
     .mime_type = "application/x-gd-rom-cue",
     .mime_parent = "text/plain",
     .right_click = true,
     .set_of_files = true,
     .lone_track = false,
     .keeps_sessions = false,
     .loses_sessions = false,
     .records_closed = false,
     .fixed_as = DiscFormat::Gdi,
     .told_order = 3,
     .told = IsGdi,
     .contents = GdiContents,
     .track_files = GdiTrackFiles},
    {.format = DiscFormat::Cue,
     .extension = "cue",
     .listed = "cue sheet (.cue)",
     .image_words = "a BIN/CUE image",
     .table_words = "the cue sheet",
     .described = "cue sheet of a disc image",
     .mime_type = "application/x-cue",
     .mime_parent = "application/x-cue",
     .right_click = true,
     .set_of_files = true,
     .lone_track = false,
     .keeps_sessions = true,
     .loses_sessions = true,
     .records_closed = false,
     .fixed_as = DiscFormat::Cue,
     .told_order = 4,
     .told = IsCue,
     .contents = CueContents,
     .track_files = CueTrackFiles},
    {.format = DiscFormat::Chd,
     .extension = "chd",
     .listed = "CHD",
     .image_words = "a CHD image",
     .table_words = "the CHD",
     .described = "MAME compressed disc image (CHD)",
     .mime_type = "application/x-mame-chd",
     .mime_parent = "application/octet-stream",
     .right_click = true,
     .set_of_files = false,
     .lone_track = false,
     .keeps_sessions = false,
     .loses_sessions = true,
     .records_closed = false,
     .fixed_as = DiscFormat::Cue,
     .told_order = 0,
     .told = IsChd,
     .contents = ChdContents,
     .track_files = nullptr},
}};

}  // namespace

std::span<const DiscFormatRow> DiscFormats() { return kFormats; }

const DiscFormatRow& RowOf(DiscFormat format) {
  for (const DiscFormatRow& row : kFormats) {
    if (row.format == format) return row;
  }
  return kFormats.front();
}

std::string FormatsReadWords() {
  std::string words;
  for (std::size_t index = 0; index < kFormats.size(); ++index) {
    if (index > 0) words += index + 1 == kFormats.size() ? " and " : ", ";
    words += kFormats[index].listed;
  }
  return words + " images";
}

std::string FormatPatterns(std::string_view separator) {
  std::string patterns;
  for (const DiscFormatRow& row : kFormats) {
    if (!patterns.empty()) patterns += separator;
    patterns += "*." + std::string(row.extension);
  }
  return patterns;
}

}  // namespace quillet
