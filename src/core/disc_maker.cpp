#include "core/disc_maker.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <cstring>
#include <utility>

#include "core/disc_file.h"
#include "core/file_source.h"
#include "disc/disc_fix.h"
#include "formats/cdi.h"
#include "formats/cue.h"
#include "formats/disc_formats.h"
#include "formats/disc_geometry.h"
#include "formats/sector.h"
#include "formats/sector_codes.h"
#include "sys/file_system.h"
#include "sys/parallel.h"
#include "sys/replacement_file.h"
#include "sys/result_writer.h"
#include "util/path_rules.h"
#include "util/run_time_error.h"
#include "util/text_rules.h"

namespace quillet {

// What a track's sectors hold after its pregap, run by run: silence (audio), a data track's empty
// ending sectors (mode 2 form 2), the file system's sectors from `first`, or form 1 sectors of zeros.
struct DiscMaker::Track {
  enum class Fill { Silence, Empty, Volume, Blank };
  struct Run {
    Fill fill;
    std::uint32_t count = 0, first = 0;
  };
  int session = 1;
  bool data = true;
  std::uint32_t start_lba = 0;
  std::vector<Run> runs;

  std::uint32_t sectors() const {
    std::uint32_t total = 0;
    for (const Run& run : runs) total += run.count;
    return total;
  }
};

namespace {

constexpr std::uint32_t kPregap = 150;
constexpr std::uint32_t kLeastTrack = kLeastTrackSectors;
constexpr std::uint32_t kEndingSectors = 2;
constexpr std::uint32_t kLeastVolume = kLeastTrack - kEndingSectors;
constexpr std::uint32_t kHeaderSectors = kBootstrapSectors + 2;  // the IP.BIN and the volume descriptors
constexpr std::size_t kChunkSectors = 256;

// A mode 2 form 2 subheader (an empty sector's), and a form 1 one (all zeros, as published discs have it).
constexpr std::array<std::uint8_t, 8> kForm2Subheader = {0, 0, 0x20, 0, 0, 0, 0x20, 0};

std::uint8_t Bcd(std::uint32_t value) { return static_cast<std::uint8_t>((value / 10) << 4 | value % 10); }

// Sector `lba` of a data track as the image keeps it (`raw`: 2,352 bytes, with its sync and header;
// else 2,336, from the subheader), holding `data` (2,048 bytes) in form 1, or empty in form 2.
void DataSector(std::span<std::byte> sector, std::uint32_t lba, const std::byte* data, bool raw) {
  // Made raw, as the codes are reckoned over a raw sector; a 2,336-byte one is its tail.
  std::array<std::byte, kRawSector> made;
  const std::span<std::byte> whole = raw ? sector.first<kRawSector>() : std::span<std::byte, kRawSector>(made);
  std::memcpy(whole.data(), kSectorSync.data(), kSectorSync.size());
  const std::uint32_t frames = lba + 150;
  whole[12] = std::byte{Bcd(frames / (75 * 60))};
  whole[13] = std::byte{Bcd(frames / 75 % 60)};
  whole[14] = std::byte{Bcd(frames % 75)};
  whole[kRawModeByte] = std::byte{2};
  if (data) {
    std::fill_n(whole.begin() + 16, 8, std::byte{0});
    std::memcpy(whole.data() + 24, data, kSectorData);
  } else {
    std::memcpy(whole.data() + 16, kForm2Subheader.data(), kForm2Subheader.size());
    std::fill(whole.begin() + 24, whole.end(), std::byte{0});
  }
  WriteSectorCodes(whole);
  if (!raw) std::memcpy(sector.data(), made.data() + 16, kMode2Sector);
}

DiscFormat MadeFormatOf(const std::string& output) {
  const std::optional<DiscFormat> format = DiscFormatOfName(FileTitle(output, NativePathStyle()));
  if (!format || (*format != DiscFormat::Cdi && *format != DiscFormat::Cue && *format != DiscFormat::Iso)) {
    RefuseAsInvalid(ShownPath(output) +
                    ": quillet make writes a .cdi (DiscJuggler), a .cue (a cue sheet and a file a track) or an .iso "
                    "(the file system alone); name the output so");
  }
  return *format;
}

// The volume's name: the title's letters and digits, upper-cased, the rest _.
std::string VolumeId(std::span<const std::byte> bootstrap) {
  std::string id;
  for (std::size_t at = 0x80; at < 0x80 + 32; ++at) {
    const char c = AsciiUpper(static_cast<char>(bootstrap[at]));
    id += (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ? c : '_';
  }
  const std::size_t end = id.find_last_not_of('_');
  return end == std::string::npos ? "DREAMCAST" : id.substr(0, end + 1);
}

}  // namespace

DiscMaker::DiscMaker(MakeRequest request) : request_(std::move(request)), format_(MadeFormatOf(request_.output)) {
  const bool data_data = request_.layout == MadeLayout::DataData;
  if (data_data && format_ == DiscFormat::Iso) {
    RefuseAsInvalid(ShownPath(request_.output) +
                    ": a data + data disc is two sessions, and an .iso holds one track; write a .cdi or a .cue");
  }
  std::vector<IsoFileEntry> entries = {
      {request_.boot.boot_file_name, request_.boot.boot_file.size(), request_.boot.boot_file_name}};
  for (const MadeFile& file : request_.files) {
    entries.push_back({file.disc_path, static_cast<std::uint64_t>(FileLength(file.path)), file.path});
  }
  // Audio + data: the file system is made for the second session, after a 302-sector audio track.
  const std::uint32_t base = data_data ? 0 : kLeastTrack + kFirstSessionGap;
  volume_ = std::make_unique<IsoImage>(
      IsoVolumeRequest{request_.boot.bootstrap, base, request_.time, VolumeId(request_.boot.bootstrap), kLeastVolume},
      std::move(entries));
  const std::uint32_t volume = volume_->sectors();
  using Fill = Track::Fill;
  if (data_data) {
    tracks_.push_back({1, true, 0, {{Fill::Volume, volume, 0}, {Fill::Empty, kEndingSectors, 0}}});
    tracks_.push_back({2,
                       true,
                       volume + kEndingSectors + kFirstSessionGap,
                       {{Fill::Volume, kHeaderSectors, 0},
                        {Fill::Blank, kLeastVolume - kHeaderSectors, 0},
                        {Fill::Empty, kEndingSectors, 0}}});
  } else {
    tracks_.push_back({1, false, 0, {{Fill::Silence, kLeastTrack, 0}}});
    tracks_.push_back({2, true, base, {{Fill::Volume, volume, 0}, {Fill::Empty, kEndingSectors, 0}}});
  }
  const Track& last = tracks_.back();
  const std::uint64_t end = std::uint64_t{last.start_lba} + last.sectors();
  if (end > kCdrEnd) {
    const std::uint64_t room = kCdrEnd - (end - volume);
    RefuseAsInvalid("the program and files take " + SizeWords(std::uint64_t{volume} * kSectorData) + " on the disc (" +
                    std::to_string(volume) + " sectors), and an 80-minute CD-R has room for " +
                    SizeWords(room * kSectorData) + " (" + std::to_string(room) + " sectors) in this layout");
  }
}

DiscMaker::~DiscMaker() = default;

std::vector<std::string> DiscMaker::Targets() const {
  std::vector<std::string> targets = {request_.output};
  if (format_ == DiscFormat::Cue) {
    const PathStyle style = NativePathStyle();
    const std::string_view sheet = FileTitle(request_.output, style);
    const std::string title(sheet.substr(0, sheet.rfind('.')));
    for (std::size_t index = 0; index < tracks_.size(); ++index) {
      targets.push_back(
          TrackFilePath(request_.output, RedumpTrackFile(title, static_cast<int>(index) + 1, tracks_.size())));
    }
  }
  return targets;
}

namespace {

// The files of the volume, read for one worker: the boot file from memory, the others each opened
// when first read, one at a time, and checked to be as long as when the disc was laid out.
class VolumeFiles {
 public:
  explicit VolumeFiles(const MakeRequest& request) : request_(request) {}

  void Read(std::size_t entry, std::uint64_t offset, std::span<std::byte> into) {
    if (entry == 0) {
      std::copy_n(request_.boot.boot_file.begin() + static_cast<std::ptrdiff_t>(offset), into.size(), into.begin());
      return;
    }
    const MadeFile& file = request_.files[entry - 1];
    try {
      if (!open_ || open_entry_ != entry) {
        open_.reset();
        open_ = std::make_unique<FileSource>(file.path);
        open_entry_ = entry;
      }
      if (offset + into.size() > open_->size()) throw RunTimeError(error::kDeviceIoError, "it is shorter now");
      open_->Read(offset, into);
    } catch (const RunTimeError& failure) {
      throw RunTimeError(failure.number(),
                         ShownPath(file.path) + " changed while Quillet read it (" + failure.description() + ")");
    }
  }

 private:
  const MakeRequest& request_;
  std::unique_ptr<FileSource> open_;
  std::size_t open_entry_ = 0;
};

}  // namespace

void DiscMaker::WriteTrack(ReplacementFile& out, std::uint64_t at, const Track& track, std::size_t size) const {
  // A CDI holds a track's pregap (silence, or empty data sectors); a raw track file and an ISO do not.
  std::vector<Track::Run> runs;
  if (size == kMode2Sector || (size == kRawSector && !track.data && format_ == DiscFormat::Cdi)) {
    runs.push_back({track.data ? Track::Fill::Empty : Track::Fill::Silence, kPregap, 0});
  }
  runs.insert(runs.end(), track.runs.begin(), track.runs.end());
  // The work in pieces of at most kChunkSectors, none across two runs, each at its place in the file.
  struct Piece {
    const Track::Run* run;
    std::uint32_t first, count, lba;
    std::uint64_t offset;
  };
  std::vector<Piece> pieces;
  std::uint32_t lba = track.start_lba - (runs.size() > track.runs.size() ? kPregap : 0);
  for (const Track::Run& run : runs) {
    for (std::uint32_t done = 0; done < run.count;) {
      const auto count = static_cast<std::uint32_t>(std::min<std::size_t>(kChunkSectors, run.count - done));
      pieces.push_back({&run, done, count, lba, at});
      done += count;
      lba += count;
      at += std::uint64_t{count} * size;
    }
  }
  // The error codes are most of the work: workers make pieces side by side, each written at its place.
  std::atomic<std::size_t> next{0};
  std::atomic<bool> failed{false};
  RunOnWorkers(WorkersFor(pieces.size()), [&] {
    try {
      VolumeFiles files(request_);
      const IsoFileReader read = [&](std::size_t entry, std::uint64_t offset, std::span<std::byte> into) {
        files.Read(entry, offset, into);
      };
      std::vector<std::byte> sectors(kChunkSectors * size), data(kChunkSectors * kSectorData);
      for (std::size_t index; !failed && (index = next++) < pieces.size();) {
        const Piece& piece = pieces[index];
        const std::span<std::byte> chunk = std::span(sectors).first(std::size_t{piece.count} * size);
        const std::span<std::byte> user = std::span(data).first(std::size_t{piece.count} * kSectorData);
        if (piece.run->fill == Track::Fill::Volume) {
          volume_->Read(piece.run->first + piece.first, size == kSectorData ? chunk : user, read);
        } else {
          std::fill(user.begin(), user.end(), std::byte{0});
        }
        if (piece.run->fill == Track::Fill::Silence) {
          std::fill(chunk.begin(), chunk.end(), std::byte{0});
        } else if (size != kSectorData) {
          for (std::uint32_t sector = 0; sector < piece.count; ++sector) {
            DataSector(
                chunk.subspan(sector * size, size), piece.lba + sector,
                piece.run->fill == Track::Fill::Empty ? nullptr : user.data() + std::size_t{sector} * kSectorData,
                size == kRawSector);
          }
        }
        out.WriteAt(piece.offset, chunk);
      }
    } catch (...) {
      failed = true;
      throw;
    }
  });
}

MadeDisc DiscMaker::Write() const {
  const PathStyle style = NativePathStyle();
  const std::vector<std::string> targets = Targets();
  std::vector<std::string> names;
  for (const std::string& target : targets) names.emplace_back(FileTitle(target, style));
  const bool set = format_ == DiscFormat::Cue;
  ResultWriter writer =
      set ? ResultWriter(ContainingFolder(request_.output, style).value_or("."), names, request_.replace)
          : ResultWriter(request_.output, request_.replace);
  const auto name_of = [&](std::size_t index) { return set ? names[index] : std::string(); };

  if (format_ == DiscFormat::Iso) {
    ReplacementFile& out = writer.Begin();
    const Track volume{2, true, 0, {{Track::Fill::Volume, volume_->sectors(), 0}}};
    writer.Writing({}, [&] { WriteTrack(out, 0, volume, kSectorData); });
  } else if (format_ == DiscFormat::Cdi) {
    ReplacementFile& out = writer.Begin();
    std::vector<CdiTrackEntry> entries;
    std::uint64_t at = 0;
    for (const Track& track : tracks_) {
      const std::size_t size = track.data ? kMode2Sector : kRawSector;
      writer.Writing({}, [&] { WriteTrack(out, at, track, size); });
      at += std::uint64_t{kPregap + track.sectors()} * size;
      entries.push_back({track.data, track.start_lba, kPregap, track.sectors()});
    }
    const std::vector<std::byte> table = CdiTable(entries, names.front(), VolumeId(request_.boot.bootstrap));
    writer.Writing({}, [&] { out.WriteAt(at, table); });
  } else {
    TableOfContents toc{DiscFormat::Cue, {}, false, false, 0, {}};
    for (std::size_t index = 0; index < tracks_.size(); ++index) {
      const Track& track = tracks_[index];
      TocTrack entry;
      entry.number = static_cast<int>(index) + 1;
      entry.session = track.session;
      entry.data = track.data;
      entry.start_lba = track.start_lba;
      entry.sectors = track.sectors();
      toc.tracks.push_back(entry);
      ReplacementFile& out = writer.Begin(names[index + 1]);
      writer.Writing(names[index + 1], [&] { WriteTrack(out, 0, track, kRawSector); });
    }
    // The sheet reads each data track's mode from its first sector's header: mode 2, as written.
    std::array<std::byte, kRawSector> header{};
    DataSector(header, 0, nullptr, true);
    const MemorySource first_sector(header);
    TrackFiles headers(first_sector);
    const std::string_view sheet_name = names.front();
    const std::string sheet =
        RedumpCueSheet(toc, headers, sheet_name.substr(0, sheet_name.rfind('.')), tracks_.back().session == 2 ? 2 : 0);
    ReplacementFile& out = writer.Begin(names.front());
    writer.Writing(names.front(), [&] { out.Write(std::as_bytes(std::span(sheet))); });
  }
  writer.Close();

  MadeDisc made{targets.front(), {}};
  {
    // Every file read back is closed again before the disc takes its place, which Windows asks.
    const std::string written_path = writer.WrittenPath(name_of(0));
    try {
      const FileSource written(written_path);
      TrackFiles files(written, TrackFilesBeside(written_path));
      DiscBootFile disc =
          ReadBack(request_.boot.bootstrap, request_.boot.boot_file, RowOf(format_).contents(files), files);
      made.judged = JudgeDisc(std::move(disc), Evidence::FormOnly, request_.codes);
    } catch (const RunTimeError& failure) {
      RefuseAsInvalid("the disc " + ShownPath(made.path) + " did not read back as the one made (" +
                      RefusalReason(failure) + "), so it was not kept");
    }
  }
  // An ISO image is a track alone: where it is burned is not its own to say.
  const std::vector<BootCheck>& checks = made.judged.checks;
  const bool stops = format_ == DiscFormat::Iso
                         ? std::any_of(checks.begin(), checks.end(),
                                       [](const BootCheck& check) { return check.result == CheckResult::Problem; })
                         : BootsByChecks(checks) != true;
  if (stops) {
    RefuseAsInvalid("the disc " + ShownPath(made.path) + " was made, but its report says \"" +
                    BootSummary(made.judged.disc, checks, request_.codes) + "\", so it was not kept");
  }
  writer.Commit();
  return made;
}

}  // namespace quillet
