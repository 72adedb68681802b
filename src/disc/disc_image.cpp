#include "disc/disc_image.h"

#include <algorithm>
#include <utility>
#include <vector>

#include "formats/disc_formats.h"
#include "formats/disc_geometry.h"
#include "formats/foreign_image.h"
#include "formats/gdi.h"
#include "formats/iso9660.h"
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

}  // namespace

std::optional<DiscFormat> DiscFormatOfName(std::string_view name) {
  const std::size_t dot = name.rfind('.');
  if (dot == std::string_view::npos) return std::nullopt;
  for (const DiscFormatRow& row : DiscFormats()) {
    if (EqualsIgnoringAsciiCase(name.substr(dot + 1), row.extension)) return row.format;
  }
  return std::nullopt;
}

namespace {

[[noreturn]] void RefuseBootstrapAt(std::uint64_t offset, std::string_view name) {
  RefuseAsInvalid(NameInSentence(name) + " is a disc image that cannot be read: it holds a Dreamcast bootstrap in a " +
                  "data sector at byte " + std::to_string(offset) +
                  ", but no table of tracks Quillet reads (a CDI's must be its last bytes)");
}

// Whether `track` is of the part of the disc the boot track's file system lies in: a GD-ROM's
// high-density area, a CD-R's boot session; where the image lost a second session, the tracks from
// the one that began it.
bool InBootPart(const TableOfContents& toc, const TocTrack& boot, const TocTrack& track, int lost_session) {
  if (toc.gd_rom) return track.high_density;
  return lost_session ? track.number >= lost_session : track.session == boot.session;
}

// The boot track: a GD-ROM's first data track of its high-density area, a CD-R's last session's
// first data track; the track that began a second session the image lost, where there is one.
const TocTrack& BootTrack(const TableOfContents& toc, int lost_session) {
  if (toc.tracks.empty()) RefuseAsInvalid(std::string(RowOf(toc.format).table_words) + " lists no tracks");
  const int last_session = toc.tracks.back().session;
  const auto boot = std::find_if(toc.tracks.begin(), toc.tracks.end(), [&](const TocTrack& track) {
    if (lost_session) return track.number == lost_session;
    return track.data && (toc.gd_rom ? track.high_density : track.session == last_session);
  });
  if (boot == toc.tracks.end()) {
    RefuseAsInvalid(std::string(RowOf(toc.format).table_words) +
                    (toc.gd_rom ? "'s high-density area holds no data track, where a GD-ROM boots"
                                : "'s last session holds no data track, which is where a CD-R boots"));
  }
  return *boot;
}

// The data tracks the boot track's file system may span, as one: the boot part's, then (a CD-R's)
// the other sessions', whose files the file system may name.
Track DataArea(const TableOfContents& toc, const TocTrack& boot, TrackFiles& files, int lost_session) {
  const ByteSource& boot_file = files.Open(boot.file);
  if (boot.offset >= boot_file.size()) {
    RefuseAsInvalid("the image ends before its boot track (track " + std::to_string(boot.number) +
                    ") begins: it is cut short");
  }
  std::vector<TrackPiece> pieces;
  for (const bool boot_part : {true, false}) {
    for (const TocTrack& track : toc.tracks) {
      if (!track.data || InBootPart(toc, boot, track, lost_session) != boot_part || (toc.gd_rom && !boot_part)) {
        continue;
      }
      pieces.push_back({&files.Open(track.file), track.offset, std::uint64_t{track.sectors} * track.sector_size,
                        track.sector_size, track.start_lba});
    }
  }
  return Track(pieces);
}

// The track that began a second session which the image lost: a CHD keeps no sessions, and chdman
// extractcd writes a cue sheet without them. On a CD-R whose tracks all lie in one session, a data
// track after the first that begins with an IP.BIN (as only a session's first track does), read as
// the boot track, proves it: its file system was made to begin a first session's gap after where the
// image puts it (an audio + data disc's, or a data + data disc's whose second session holds the
// file system), or keeps its directories in the tracks before it (a data + data disc's whose second
// session holds only the IP.BIN and the volume descriptors). 0 where there is none.
int LostSecondSession(const TableOfContents& toc, TrackFiles& files) {
  if (toc.gd_rom || !RowOf(toc.format).loses_sessions || toc.tracks.size() < 2 || toc.tracks.back().session != 1) {
    return 0;
  }
  for (auto track = toc.tracks.rbegin(); track + 1 != toc.tracks.rend(); ++track) {
    if (!track->data) continue;
    try {
      const Track area = DataArea(toc, *track, files, track->number);
      const std::optional<SectorData> first = area.Sector(track->start_lba);
      if (!first || !std::equal(kHardwareId.begin(), kHardwareId.end(), reinterpret_cast<const char*>(first->data()))) {
        continue;
      }
      const std::uint32_t base = IsoTrackBase(area);
      const std::optional<std::uint32_t> root = IsoRootLba(area);
      if (std::uint64_t{track->start_lba} + kFirstSessionGap == base ||
          (base == track->start_lba && root && *root < track->start_lba)) {
        return track->number;
      }
    } catch (const RunTimeError&) {
      // A track that does not read proves nothing.
    }
  }
  return 0;
}

// The address the area's file system was made for: its root directory tells. A table places its
// boot track: where the file system cannot be placed, reading the boot file says what is wrong.
std::uint32_t FileSystemBase(const TableOfContents& toc, const Track& area) {
  if (RowOf(toc.format).lone_track) return IsoTrackBase(area);
  try {
    return IsoTrackBase(area);
  } catch (const RunTimeError&) {
    return area.first_lba();
  }
}

}  // namespace

DiscBootFile BootOfContents(const TableOfContents& toc, TrackFiles& files) {
  return BootAreaOfContents(toc, files).disc;
}

DiscBoot BootAreaOfContents(const TableOfContents& toc, TrackFiles& files) {
  const int lost_session = LostSecondSession(toc, files);
  const TocTrack& boot = BootTrack(toc, lost_session);
  const Track area = DataArea(toc, boot, files, lost_session);
  const std::uint32_t base = FileSystemBase(toc, area);
  // A lone ISO image lies wherever it is burned or dumped; one made for LBA 45000 is a GD-ROM's
  // boot track.
  const bool lone_gd_rom = RowOf(toc.format).lone_track && base == kHighDensityArea;
  DiscBootFile disc;
  disc.format = toc.format;
  disc.track = lone_gd_rom ? 3 : boot.number;
  disc.gd_rom = toc.gd_rom || lone_gd_rom;
  DiscLayout& layout = disc.layout;
  layout.tracks = toc.tracks;
  layout.left_open = toc.left_open;
  layout.image_size = toc.image_size;
  layout.boot_track_lba = boot.start_lba;
  layout.file_system_lba = base;
  layout.lost_session = lost_session;
  const Track rebased = area.Rebased(base);
  // A CD-R's file system whose directories lie in an earlier session's track (a data + data disc's,
  // whose last session repeats only the IP.BIN and the volume descriptors): its data sectors are
  // that session's.
  const std::optional<std::uint32_t> root = toc.gd_rom ? std::nullopt : IsoRootLba(rebased);
  const std::uint32_t root_lba = root.value_or(0);
  const auto holds_root = [&](const TocTrack& track) {
    return root.has_value() && track.data && root_lba >= track.start_lba && root_lba - track.start_lba < track.sectors;
  };
  const auto directories = std::find_if(toc.tracks.begin(), toc.tracks.end(), holds_root);
  if (directories != toc.tracks.end() && !InBootPart(toc, boot, *directories, lost_session)) {
    layout.directories_track = directories->number;
  }
  for (const TocTrack& track : toc.tracks) {
    const bool holds_file_system = !layout.directories_track ? InBootPart(toc, boot, track, lost_session)
                                   : lost_session
                                       ? track.number < lost_session  // the tracks before the session the image lost
                                       : track.session == directories->session;
    if (track.data && holds_file_system) layout.data_sectors += track.sectors;
  }
  // genisoimage and DiscJuggler count a volume's sectors from its session's start.
  layout.file_system_sectors = IsoVolumeSectors(rebased).value_or(0);
  disc.boot = lone_gd_rom ? BootFileOfTrack(rebased,
                                            "the image is one track of a GD-ROM: scan the dump's .gdi, which "
                                            "names them all",
                                            "the image is one track of a GD-ROM: choose the dump's .gdi with all its "
                                            "track files")
                          : BootFileOfTrack(rebased);
  return {std::move(disc), rebased};
}

std::string_view DiscFormatText(DiscFormat format) { return RowOf(format).extension; }

std::optional<DiscFormat> DiscFormatOf(const ByteSource& source, std::string_view name) {
  if (const std::optional<std::string_view> foreign = ForeignImageFormat(source)) {
    RefuseAsInvalid(NameInSentence(name) + " is " + std::string(*foreign) + "; Quillet reads " + FormatsReadWords());
  }
  if (const std::optional<DiscFormat> named = DiscFormatOfName(name)) return named;
  for (int order = 0; order < static_cast<int>(DiscFormats().size()); ++order) {
    for (const DiscFormatRow& row : DiscFormats()) {
      if (row.told_order == order && row.told(source)) return row.format;
    }
  }
  return std::nullopt;
}

void RefuseUnreadableDisc(const ByteSource& file, std::string_view name) {
  if (const std::optional<std::uint64_t> bootstrap = FramedBootstrap(file)) {
    RefuseBootstrapAt(*bootstrap, name);
  }
}

Judgement JudgeLooseFile(const ByteSource& file, std::string_view name, Evidence evidence) {
  LooseFileJudge judge(file, name, evidence);
  ForEachBlock(file, judge.Overlap(), [&](std::uint64_t offset, std::span<const std::byte> block, std::size_t fresh) {
    return judge.See(offset, block, fresh);
  });
  return judge.Finish();
}

LooseFileJudge::LooseFileJudge(const ByteSource& file, std::string_view name, Evidence evidence)
    : file_(file),
      name_(name),
      framed_{kHardwareId, [&file](std::size_t offset) { return BeginsFramedBootstrap(file, offset); }, {}},
      judge_(file.size(), evidence, &framed_) {}

Judgement LooseFileJudge::Finish() {
  Judgement judgement = judge_.Finish(file_);
  if (framed_.first) RefuseBootstrapAt(*framed_.first, name_);
  return judgement;
}

DiscBootFile BootOfImage(DiscFormat format, const ByteSource& image) {
  std::string name = ".";  // appended, not "." + a string: GCC 12 at -O3 takes that for an overlapping copy
  name += RowOf(format).extension;
  return *BootOfDisc(image, name, {});
}

std::optional<DiscBootFile> BootOfDisc(const ByteSource& source, std::string_view name,
                                       const TrackFileOpener& open_track) {
  return AsRunTimeError([&]() -> std::optional<DiscBootFile> {
    const std::optional<DiscFormat> format = DiscFormatOf(source, name);
    if (!format) return std::nullopt;
    TrackFiles files(source, open_track);
    return BootOfContents(RowOf(*format).contents(files), files);
  });
}

}  // namespace quillet
