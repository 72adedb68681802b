#include "disc/disc_image.h"

#include <algorithm>
#include <cstdio>
#include <map>
#include <vector>

#include "disc/cdi.h"
#include "disc/chd.h"
#include "disc/cue.h"
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
  for (const DiscFormat format :
       {DiscFormat::Cdi, DiscFormat::Iso, DiscFormat::Gdi, DiscFormat::Cue, DiscFormat::Chd}) {
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
  // genisoimage and DiscJuggler count a volume's sectors from its session's start.
  layout.file_system_sectors = IsoVolumeSectors(track).value_or(0);
}

// The boot file of `track`, read at `base`, the address its file system was made for; `layout` has
// the tracks, and gets what the boot track shows.
DiscBootFile BootAtBase(DiscFormat format, int number, const Track& track, std::uint32_t base, bool gd_rom,
                        DiscLayout layout, std::string_view past_end = "the image is cut short") {
  const Track rebased = track.Rebased(base);
  AddFileSystem(layout, rebased, track.first_lba(), base);
  return {format, number, BootFileOfTrack(rebased, past_end), gd_rom, std::move(layout)};
}

// The file system's addresses count from the session's start, which the track's own root
// directory tells; a track at the very start of a disc counts from 0.
DiscBootFile BootOfDataTrack(DiscFormat format, int number, const Track& track, DiscLayout layout) {
  const std::uint32_t base = IsoTrackBase(track);
  // A CD-R's session may begin anywhere; only a GD-ROM's boot track begins where its
  // high-density area does.
  const bool gd_rom = format == DiscFormat::Iso && base == kHighDensityArea;
  if (!gd_rom) return BootAtBase(format, number, track, base, false, std::move(layout));
  return BootAtBase(format, 3, track, base, true, std::move(layout),
                    "the image is one track of a GD-ROM: scan the dump's .gdi, which names them all");
}

// A track file that the image's table names, opened; a failure names it.
std::unique_ptr<DiscSource> OpenTrackFile(const TrackFileOpener& open_track, const std::string& file) {
  try {
    return open_track(file);
  } catch (const RunTimeError& failure) {
    const std::string why = "its track file " + EscapeControls(file) + ": " + RefusalReason(failure);
    if (failure.number() == error::kInvalidArgument) RefuseAsInvalid(why);
    throw RunTimeError(failure.number(), why);
  }
}

// The boot file of the data area `area`, whose boot track the table puts at `area`'s first LBA:
// read where its file system was made for, which the placement check compares with the table.
DiscBootFile BootOfArea(DiscFormat format, int number, const Track& area, bool gd_rom, DiscLayout layout) {
  std::uint32_t base = area.first_lba();
  try {
    base = IsoTrackBase(area);
  } catch (const RunTimeError&) {
    // No file system to place: reading the boot file says what is wrong, the bootstrap first.
  }
  return BootAtBase(format, number, area, base, gd_rom, std::move(layout));
}

// A GD-ROM dump: its high-density data tracks, in their own files.
DiscBootFile BootOfGdi(const DiscSource& table, const TrackFileOpener& open_track) {
  const std::vector<GdiTrack> tracks = GdiDataTracks(table);
  std::vector<std::unique_ptr<DiscSource>> files;
  std::vector<const DiscSource*> sources;
  DiscLayout layout;
  for (const GdiTrack& track : tracks) {
    sources.push_back(files.emplace_back(OpenTrackFile(open_track, track.file)).get());
    layout.data_sectors += sources.back()->size() / track.sector_size;
  }
  // Every track, for the disc's layout and size; an audio track's file that is not there only
  // goes uncounted.
  for (const GdiTrack& track : GdiTracks(table)) {
    std::uint64_t size = 0;
    try {
      size = open_track(track.file)->size();
    } catch (const RunTimeError&) {
    }
    layout.image_size += size;
    layout.tracks.push_back({1, track.number, track.data, track.lba,
                             static_cast<std::uint32_t>(size / track.sector_size), track.sector_size});
  }
  return BootOfArea(DiscFormat::Gdi, tracks.front().number, GdiDataArea(tracks, sources), true, std::move(layout));
}

// A disc of `tracks`, whose data `files` holds by the file names the tracks give: a GD-ROM's where it
// has a high-density area (its data tracks there, the boot track first), else a CD-R's (every data
// track, the last session's first).
DiscBootFile BootOfTracks(DiscFormat format, const std::vector<CueTrack>& tracks,
                          const std::map<std::string, std::unique_ptr<DiscSource>>& files, DiscLayout layout) {
  const bool gd_rom =
      std::any_of(tracks.begin(), tracks.end(), [](const CueTrack& track) { return track.high_density; });
  const std::string_view table = format == DiscFormat::Chd ? "the CHD" : "the cue sheet";
  // The boot track: a GD-ROM's first data track of the high-density area, a CD-R's last session's.
  const int last_session = tracks.back().session;
  const auto boot = std::find_if(tracks.begin(), tracks.end(), [&](const CueTrack& track) {
    return track.data && (gd_rom ? track.high_density : track.session == last_session);
  });
  if (boot == tracks.end()) {
    RefuseAsInvalid(std::string(table) + (gd_rom ? "'s high-density area holds no data track, where a GD-ROM boots"
                                                 : "'s last session holds no data track, which is where a CD-R boots"));
  }
  // Its data tracks as one area: a GD-ROM's high-density ones, or a CD-R's boot session's first and
  // then the other sessions', whose files the file system may name.
  std::vector<TrackPiece> pieces;
  const auto in_boot_part = [&](const CueTrack& track) {
    return gd_rom ? track.high_density : track.session == boot->session;
  };
  const auto add = [&](const CueTrack& track) {
    pieces.push_back({files.at(track.file).get(), track.offset, track.length, track.sector_size, track.start_lba});
  };
  for (const CueTrack& track : tracks) {
    if (!track.data || !in_boot_part(track)) continue;
    add(track);
    layout.data_sectors += track.length / track.sector_size;
  }
  for (const CueTrack& track : tracks) {
    if (track.data && !gd_rom && !in_boot_part(track)) add(track);
  }
  for (const CueTrack& track : tracks) {
    layout.tracks.push_back({track.session, track.number, track.data, track.start_lba,
                             static_cast<std::uint32_t>(track.length / track.sector_size), track.sector_size});
  }
  return BootOfArea(format, boot->number, Track(pieces), gd_rom, std::move(layout));
}

DiscBootFile BootOfCue(const DiscSource& sheet, const TrackFileOpener& open_track) {
  const std::optional<std::string> text = ShortText(sheet, kLongestCue);
  if (!text) RefuseAsInvalid("the cue sheet is too long to be a table of tracks");
  std::map<std::string, std::unique_ptr<DiscSource>> files;
  const std::vector<CueTrack> tracks = ParseCue(*text, [&](const std::string& file) {
    return files.emplace(file, OpenTrackFile(open_track, file)).first->second->size();
  });
  DiscLayout layout;
  for (const auto& [name, file] : files) layout.image_size += file->size();
  return BootOfTracks(DiscFormat::Cue, tracks, files, std::move(layout));
}

// A CHD's tracks, each read out of its frames as its own file, the empty sectors that fill a gap
// left out; a CHD keeps no sessions.
DiscBootFile BootOfChd(const DiscSource& source) {
  const ChdImage chd(source);
  std::vector<CueTrack> tracks;
  std::map<std::string, std::unique_ptr<DiscSource>> files;
  for (const ChdTrack& track : chd.tracks()) {
    CueTrack& listed = tracks.emplace_back();
    listed.number = track.number;
    listed.data = track.data;
    listed.sector_size = track.sector_size;
    listed.file = std::to_string(track.number);
    listed.length = std::uint64_t{track.sectors - track.padding} * track.sector_size;
    listed.start_lba = track.start_lba;
    listed.high_density = chd.gd_rom() && track.start_lba >= kHighDensityArea;
    files[listed.file] = chd.TrackData(track);
  }
  DiscLayout layout;
  layout.image_size = source.size();
  return BootOfTracks(DiscFormat::Chd, tracks, files, std::move(layout));
}

}  // namespace

std::string_view DiscFormatText(DiscFormat format) {
  switch (format) {
    case DiscFormat::Cdi: return "cdi";
    case DiscFormat::Gdi: return "gdi";
    case DiscFormat::Cue: return "cue";
    case DiscFormat::Chd: return "chd";
    case DiscFormat::Iso: break;
  }
  return "iso";
}

std::optional<DiscFormat> DiscFormatOf(const DiscSource& source, std::string_view name) {
  if (const std::optional<std::string_view> foreign = ForeignImageFormat(source)) {
    RefuseAsInvalid(NameInSentence(name) + " is " + std::string(*foreign) +
                    "; Quillet reads CDI, ISO, GD-ROM (.gdi), cue sheet (.cue) and CHD images");
  }
  if (const std::optional<DiscFormat> named = FormatOfName(name)) return named;
  if (IsChd(source)) return DiscFormat::Chd;
  if (IsCdiImage(source)) return DiscFormat::Cdi;
  if (IsoSectorSize(source)) return DiscFormat::Iso;
  if (IsGdi(source)) return DiscFormat::Gdi;
  if (const std::optional<std::string> text = ShortText(source, kLongestCue);
      text && text->find('\0') == std::string::npos && LooksLikeCue(*text)) {
    return DiscFormat::Cue;
  }
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
    layout.tracks.push_back({1, 1, true, 0, track.first_piece_sectors(), static_cast<std::uint32_t>(sector_size)});
    return BootOfDataTrack(format, 1, track, std::move(layout));
  }
  const CdiTable table = ReadCdiTable(image);
  const std::optional<CdiTrack> boot = CdiBootTrack(table.tracks);
  if (!boot) RefuseAsInvalid("the image's last session holds no data track, which is where a CD-R boots");
  layout.left_open = table.left_open;
  for (const CdiTrack& track : table.tracks) {
    layout.tracks.push_back(
        {track.session, track.number, track.data, track.start_lba, track.length, track.sector_size});
    if (track.data && track.session == boot->session) layout.data_sectors += track.length;
  }
  return BootOfDataTrack(format, boot->number, CdiDataArea(image, table.tracks, *boot), std::move(layout));
}

std::optional<DiscBootFile> BootOfDisc(const DiscSource& source, std::string_view name,
                                       const TrackFileOpener& open_track) {
  return AsRunTimeError([&]() -> std::optional<DiscBootFile> {
    const std::optional<DiscFormat> format = DiscFormatOf(source, name);
    if (!format) return std::nullopt;
    if (format == DiscFormat::Gdi) return BootOfGdi(source, open_track);
    if (format == DiscFormat::Cue) return BootOfCue(source, open_track);
    if (format == DiscFormat::Chd) return BootOfChd(source);
    return BootOfImage(*format, source);
  });
}

}  // namespace quillet
