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

constexpr std::array<DiscFormatRow, 5> kFormats = {{
    {DiscFormat::Cdi, "cdi", "CDI", "a CDI image", "DiscJuggler disc image", "application/octet-stream", true, 1,
     IsCdiImage, [](TrackFiles& files) { return CdiContents(files.Open("")); }},
    {DiscFormat::Iso, "iso", "ISO", "an ISO image", "ISO 9660 disc image", "application/octet-stream", false, 2, IsIso,
     [](TrackFiles& files) { return IsoContents(files.Open("")); }},
    {DiscFormat::Gdi, "gdi", "GD-ROM (.gdi)", "a GD-ROM (GDI) image", "GD-ROM dump's table of tracks", "text/plain",
     true, 3, IsGdi, GdiContents},
    {DiscFormat::Cue, "cue", "cue sheet (.cue)", "a BIN/CUE image", "cue sheet of a disc image", "application/x-cue",
     true, 4, IsCue, CueContents},
    {DiscFormat::Chd, "chd", "CHD", "a CHD image", "MAME compressed disc image (CHD)", "application/octet-stream", true,
     0, IsChd, ChdContents},
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
