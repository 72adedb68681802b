#include "disc/disc_image.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "disc/cdi.h"
#include "disc/iso9660.h"
#include "util/run_time_error.h"
#include "util/text_rules.h"

namespace quillet {
namespace {

constexpr std::size_t kLongestGdi = 64 * 1024;  // a few lines a track, 99 tracks at most

bool IsIso(const DiscSource& source) {
  constexpr std::uint64_t kAt = 16 * kSectorData + 1;  // "CD001" in the first volume descriptor
  std::array<std::byte, 5> mark;
  if (source.size() < kAt + mark.size()) return false;
  source.Read(kAt, mark);
  return std::memcmp(mark.data(), "CD001", mark.size()) == 0;
}

bool IsGdi(const DiscSource& source) {
  if (source.size() == 0 || source.size() > kLongestGdi) return false;
  std::vector<std::byte> bytes(static_cast<std::size_t>(source.size()));
  source.Read(0, bytes);
  try {
    return !ParseGdi(GdiText(bytes)).empty();
  } catch (const RunTimeError&) {
    return false;
  }
}

// The file system's addresses count from the session's start, which the track's own root
// directory tells; a track at the very start of a disc counts from 0.
DiscBoot BootOfDataTrack(DiscFormat format, int number, const Track& track) {
  return {format, number, BootFileOfTrack(track.Rebased(IsoTrackBase(track)))};
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

std::optional<DiscFormat> DiscFormatOfName(std::string_view name) {
  const std::size_t dot = name.rfind('.');
  if (dot == std::string_view::npos) return std::nullopt;
  const std::string_view extension = name.substr(dot);
  for (const DiscFormat format : {DiscFormat::Cdi, DiscFormat::Iso, DiscFormat::Gdi}) {
    if (EqualsIgnoringAsciiCase(extension.substr(1), DiscFormatText(format))) return format;
  }
  return std::nullopt;
}

std::optional<DiscFormat> DiscFormatOf(const DiscSource& source) {
  // A program may end in bytes that look like a trailer: only a table that reads makes a CDI.
  if (IsCdiImage(source)) {
    try {
      ReadCdiTracks(source);
      return DiscFormat::Cdi;
    } catch (const RunTimeError&) {
    }
  }
  if (IsIso(source)) return DiscFormat::Iso;
  if (IsGdi(source)) return DiscFormat::Gdi;
  return std::nullopt;
}

DiscBoot BootOfImage(DiscFormat format, const DiscSource& image) {
  if (format == DiscFormat::Iso) {
    return BootOfDataTrack(format, 1, Track(image, 0, image.size(), kSectorData, 0));
  }
  const std::vector<CdiTrack> tracks = ReadCdiTracks(image);
  const std::optional<CdiTrack> boot = CdiBootTrack(tracks);
  if (!boot) RefuseAsInvalid("the image's last session holds no data track, which is where a CD-R boots");
  if (boot->offset >= image.size()) {
    RefuseAsInvalid("the image ends before its boot track (track " + std::to_string(boot->number) +
                    ") begins: it is cut short");
  }
  // The session's file system may go on into its later data tracks.
  std::vector<TrackPiece> pieces;
  for (const CdiTrack& track : tracks) {
    if (track.session == boot->session && track.data && track.number >= boot->number) {
      pieces.push_back(
          {&image, track.offset, std::uint64_t{track.length} * track.sector_size, track.sector_size, track.start_lba});
    }
  }
  return BootOfDataTrack(format, boot->number, Track(pieces));
}

std::string_view GdiText(std::span<const std::byte> bytes) {
  if (bytes.size() > kLongestGdi) RefuseAsInvalid("the .gdi file is too long to be a table of tracks");
  const std::string_view text(reinterpret_cast<const char*>(bytes.data()), bytes.size());
  if (text.find('\0') != std::string_view::npos) RefuseAsInvalid("the .gdi file is no text");
  return text;
}

std::vector<GdiTrack> GdiDataTracks(const std::vector<GdiTrack>& tracks) {
  const std::optional<GdiTrack> boot = GdiBootTrack(tracks);
  if (!boot) RefuseAsInvalid("the .gdi file lists no data track at LBA 45000 or after, where a GD-ROM boots");
  std::vector<GdiTrack> data{*boot};
  for (const GdiTrack& track : tracks) {
    if (track.data && track.lba > boot->lba) data.push_back(track);
  }
  return data;
}

DiscBoot BootOfGdi(const std::vector<GdiTrack>& tracks, std::span<const DiscSource* const> files) {
  std::vector<TrackPiece> pieces;
  for (std::size_t index = 0; index < tracks.size() && index < files.size(); ++index) {
    pieces.push_back({files[index], 0, files[index]->size(), tracks[index].sector_size, tracks[index].lba});
  }
  return {DiscFormat::Gdi, tracks.front().number, BootFileOfTrack(Track(pieces))};
}

std::span<const std::uint64_t> KnownOwnLoaders() { return {}; }

std::optional<bool> Boots(const DiscBoot& disc, Form form, std::span<const std::uint64_t> own_loaders) {
  if (form != Form::Scrambled && form != Form::Unscrambled && form != Form::ScrambledTwice) return std::nullopt;
  if (disc.format == DiscFormat::Gdi) return form == Form::Unscrambled;
  if (std::find(own_loaders.begin(), own_loaders.end(), disc.boot.header.boot_code) != own_loaders.end())
    return std::nullopt;
  return form == Form::Scrambled;
}

std::string BootNote(const DiscBoot& disc, Form form, std::span<const std::uint64_t> own_loaders) {
  const std::optional<bool> boots = Boots(disc, form, own_loaders);
  if (boots == true) return "";
  const bool decided = form == Form::Scrambled || form == Form::Unscrambled || form == Form::ScrambledTwice;
  if (!decided) return "";
  const std::string said = disc.boot.header.boot_file + " is " + std::string(FormText(form));
  if (!boots) return said + "; whether it boots depends on this disc's own loader";
  return said + (disc.format == DiscFormat::Gdi ? "; a GD-ROM boots only an unscrambled one"
                                                : "; a CD-R boots only a scrambled one");
}

}  // namespace quillet
