#include "disc/disc_image.h"

#include <algorithm>
#include <cstdio>
#include <vector>

#include "disc/cdi.h"
#include "disc/foreign_image.h"
#include "disc/iso9660.h"
#include "util/json_text.h"
#include "util/path_rules.h"
#include "util/run_time_error.h"
#include "util/text_rules.h"

namespace quillet {
namespace {

// The file's name without its folder, as a sentence names it.
std::string NameInSentence(std::string_view name) {
  // Either separator: the page passes a bare name, the programs their native paths.
  const std::string_view title = FileTitle(name, PathStyle::Windows);
  return title.empty() ? "the file" : EscapeControls(title);
}

std::optional<DiscFormat> FormatOfName(std::string_view name) {
  const std::size_t dot = name.rfind('.');
  if (dot == std::string_view::npos) return std::nullopt;
  for (const DiscFormat format : {DiscFormat::Cdi, DiscFormat::Iso, DiscFormat::Gdi}) {
    if (EqualsIgnoringAsciiCase(name.substr(dot + 1), DiscFormatText(format))) return format;
  }
  return std::nullopt;
}

[[noreturn]] void RefuseBootstrapAt(std::size_t offset, std::string_view name) {
  RefuseAsInvalid(NameInSentence(name) + " is a disc image that cannot be read: it holds a Dreamcast bootstrap in a " +
                  "data sector at byte " + std::to_string(offset) +
                  ", but no table of tracks Quillet reads (a CDI's must be its last bytes)");
}

// Where the boot track lies, and where and how large its file system was made.
void AddFileSystem(DiscLayout& layout, const Track& track, std::uint32_t track_lba, std::uint32_t base) {
  layout.boot_track_lba = track_lba;
  layout.file_system_lba = base;
  const std::uint32_t volume = IsoVolumeSectors(track).value_or(0);
  layout.file_system_sectors = volume - std::min(volume, base);
}

// The file system's addresses count from the session's start, which the track's own root
// directory tells; a track at the very start of a disc counts from 0. `layout` has the tracks;
// what the boot track shows is added.
DiscBootFile BootOfDataTrack(DiscFormat format, int number, const Track& track, DiscLayout layout) {
  const std::uint32_t base = IsoTrackBase(track);
  // A CD-R's session may begin anywhere; only a GD-ROM's boot track begins where its
  // high-density area does.
  const bool gd_rom = format == DiscFormat::Iso && base == kHighDensityArea;
  constexpr std::string_view kOneTrack =
      "the image is one track of a GD-ROM: scan the dump's .gdi, which names them all";
  const Track rebased = track.Rebased(base);
  AddFileSystem(layout, rebased, track.first_lba(), base);
  return {format, gd_rom ? 3 : number, BootFileOfTrack(rebased, gd_rom ? kOneTrack : "the image is cut short"), gd_rom,
          std::move(layout)};
}

}  // namespace

std::string_view DiscFormatText(DiscFormat format) {
  switch (format) {
    case DiscFormat::Cdi: return "cdi";
    case DiscFormat::Gdi: return "gdi";
    case DiscFormat::Iso: break;
  }
  return "iso";
}

std::optional<DiscFormat> DiscFormatOf(const DiscSource& source, std::string_view name) {
  if (const std::optional<std::string_view> foreign = ForeignImageFormat(source)) {
    RefuseAsInvalid(NameInSentence(name) + " is " + std::string(*foreign) +
                    "; Quillet reads CDI, ISO and GD-ROM (.gdi) images");
  }
  if (const std::optional<DiscFormat> named = FormatOfName(name)) return named;
  if (IsCdiImage(source)) return DiscFormat::Cdi;
  if (IsoSectorSize(source)) return DiscFormat::Iso;
  if (IsGdi(source)) return DiscFormat::Gdi;
  return std::nullopt;
}

void RefuseUnreadableDisc(std::span<const std::byte> bytes, std::string_view name) {
  if (const std::optional<std::size_t> bootstrap = FramedBootstrap(bytes)) RefuseBootstrapAt(*bootstrap, name);
}

Judgement JudgeLooseFile(std::span<const std::byte> bytes, std::string_view name, Evidence evidence) {
  PatternWatch framed{kHardwareId, [bytes](std::size_t offset) { return BeginsFramedBootstrap(bytes, offset); }, {}};
  Judgement judgement = JudgeImage(bytes, evidence, &framed);
  if (framed.first) RefuseBootstrapAt(*framed.first, name);
  return judgement;
}

DiscBootFile BootOfImage(DiscFormat format, const DiscSource& image) {
  DiscLayout layout;
  layout.image_size = image.size();
  if (format == DiscFormat::Iso) {
    const std::size_t sector_size = IsoSectorSize(image).value_or(kSectorData);
    const Track track(image, 0, image.size(), sector_size, 0);
    layout.data_sectors = track.first_piece_sectors();
    layout.tracks.push_back({1, 1, true, 0, track.first_piece_sectors()});
    return BootOfDataTrack(format, 1, track, std::move(layout));
  }
  const CdiTable table = ReadCdiTable(image);
  const std::optional<CdiTrack> boot = CdiBootTrack(table.tracks);
  if (!boot) RefuseAsInvalid("the image's last session holds no data track, which is where a CD-R boots");
  layout.left_open = table.left_open;
  for (const CdiTrack& track : table.tracks) {
    layout.tracks.push_back({track.session, track.number, track.data, track.start_lba, track.length});
    if (track.data && track.session == boot->session) layout.data_sectors += track.length;
  }
  return BootOfDataTrack(format, boot->number, CdiDataArea(image, table.tracks, *boot), std::move(layout));
}

std::optional<DiscBootFile> BootOfDisc(const DiscSource& source, std::string_view name,
                                       const TrackFileOpener& open_track) {
  const std::optional<DiscFormat> format = DiscFormatOf(source, name);
  if (!format) return std::nullopt;
  if (format != DiscFormat::Gdi) return BootOfImage(*format, source);
  // A GD-ROM dump: its high-density data tracks, in their own files.
  const std::vector<GdiTrack> tracks = GdiDataTracks(source);
  std::vector<std::unique_ptr<DiscSource>> files;
  std::vector<const DiscSource*> sources;
  DiscLayout layout;
  for (const GdiTrack& track : tracks) {
    try {
      sources.push_back(files.emplace_back(open_track(track.file)).get());
    } catch (const RunTimeError& failure) {
      const std::string why = "its track file " + EscapeControls(track.file) + ": " + RefusalReason(failure);
      if (failure.number() == error::kInvalidArgument) RefuseAsInvalid(why);
      throw RunTimeError(failure.number(), why);
    }
    layout.data_sectors += sources.back()->size() / track.sector_size;
  }
  // Read where its file system was made for, which the placement check compares with the table.
  const Track area = GdiDataArea(tracks, sources);
  std::uint32_t base = tracks.front().lba;
  try {
    base = IsoTrackBase(area);
  } catch (const RunTimeError&) {
    // No file system to place: reading the boot file says what is wrong, the bootstrap first.
  }
  DiscBootFile disc{DiscFormat::Gdi, tracks.front().number, BootFileOfTrack(area.Rebased(base)), true, {}};
  // Every track, for the disc's layout and size; an audio track's file that is not there only
  // goes uncounted.
  for (const GdiTrack& track : GdiTracks(source)) {
    std::uint64_t size = 0;
    try {
      size = open_track(track.file)->size();
    } catch (const RunTimeError&) {
    }
    layout.image_size += size;
    layout.tracks.push_back(
        {1, track.number, track.data, track.lba, static_cast<std::uint32_t>(size / track.sector_size)});
  }
  AddFileSystem(layout, area.Rebased(base), tracks.front().lba, base);
  disc.layout = std::move(layout);
  return disc;
}

}  // namespace quillet
