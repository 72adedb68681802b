#include "disc/disc_image.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <vector>

#include "disc/cdi.h"
#include "disc/iso9660.h"
#include "util/json_text.h"
#include "util/run_time_error.h"
#include "util/text_rules.h"

namespace quillet {
namespace {

constexpr std::size_t kLongestGdi = 64 * 1024;  // a few lines a track, 99 tracks at most

bool HasAt(const DiscSource& source, std::uint64_t at, std::string_view bytes) {
  std::array<std::byte, 12> read;
  if (bytes.size() > read.size() || source.size() < at + bytes.size()) return false;
  source.Read(at, std::span(read).first(bytes.size()));
  return std::memcmp(read.data(), bytes.data(), bytes.size()) == 0;
}

// An ISO image's sectors: 2,048 bytes, or 2,352 raw (a GD-ROM's or CD-R's data track as a dump
// keeps it, such as a .gdi's track03.bin); "CD001" begins the first volume descriptor, at sector 16.
std::optional<std::size_t> IsoSectorSize(const DiscSource& source) {
  if (HasAt(source, 16 * kSectorData + 1, "CD001")) return kSectorData;
  constexpr std::string_view kSync("\x00\xFF\xFF\xFF\xFF\xFF\xFF\xFF\xFF\xFF\xFF\x00", 12);
  constexpr std::uint64_t kRaw = 2352;
  if (!HasAt(source, 0, kSync) || !HasAt(source, 16 * kRaw, kSync)) return std::nullopt;
  std::array<std::byte, 1> mode;
  source.Read(16 * kRaw + 15, mode);
  const std::uint64_t data = mode[0] == std::byte{2} ? 24 : 16;
  if (HasAt(source, 16 * kRaw + data + 1, "CD001")) return kRaw;
  return std::nullopt;
}

// The tracks a .gdi file lists; raises run-time error 5 saying what is wrong with it.
std::vector<GdiTrack> ReadGdi(const DiscSource& table) {
  if (table.size() > kLongestGdi) RefuseAsInvalid("the .gdi file is too long to be a table of tracks");
  std::string text(static_cast<std::size_t>(table.size()), '\0');
  table.Read(0, std::as_writable_bytes(std::span(text)));
  if (text.find('\0') != std::string::npos) RefuseAsInvalid("the .gdi file is no text");
  return ParseGdi(text);
}

bool IsGdi(const DiscSource& source) {
  try {
    return source.size() > 0 && !ReadGdi(source).empty();
  } catch (const RunTimeError&) {
    return false;
  }
}

std::optional<DiscFormat> FormatOfName(std::string_view name) {
  const std::size_t dot = name.rfind('.');
  if (dot == std::string_view::npos) return std::nullopt;
  for (const DiscFormat format : {DiscFormat::Cdi, DiscFormat::Iso, DiscFormat::Gdi}) {
    if (EqualsIgnoringAsciiCase(name.substr(dot + 1), DiscFormatText(format))) return format;
  }
  return std::nullopt;
}

// The file system's addresses count from the session's start, which the track's own root
// directory tells; a track at the very start of a disc counts from 0.
DiscBoot BootOfDataTrack(DiscFormat format, int number, const Track& track) {
  const std::uint32_t base = IsoTrackBase(track);
  // A CD-R's session may begin anywhere; only a GD-ROM's boot track begins where its
  // high-density area does.
  const bool gd_rom = format == DiscFormat::Iso && base == kHighDensityArea;
  constexpr std::string_view kOneTrack =
      "the image is one track of a GD-ROM: scan the dump's .gdi, which names them all";
  return {format, gd_rom ? 3 : number,
          BootFileOfTrack(track.Rebased(base), gd_rom ? kOneTrack : "the image is cut short"), gd_rom};
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
  if (const std::optional<DiscFormat> named = FormatOfName(name)) return named;
  // A program may end in bytes that look like a trailer: only a table that reads makes a CDI.
  if (IsCdiImage(source)) {
    try {
      ReadCdiTracks(source);
      return DiscFormat::Cdi;
    } catch (const RunTimeError&) {
    }
  }
  if (IsoSectorSize(source)) return DiscFormat::Iso;
  if (IsGdi(source)) return DiscFormat::Gdi;
  return std::nullopt;
}

DiscBoot BootOfImage(DiscFormat format, const DiscSource& image) {
  if (format == DiscFormat::Iso) {
    const std::size_t sector_size = IsoSectorSize(image).value_or(kSectorData);
    return BootOfDataTrack(format, 1, Track(image, 0, image.size(), sector_size, 0));
  }
  const std::vector<CdiTrack> tracks = ReadCdiTracks(image);
  const std::optional<CdiTrack> boot = CdiBootTrack(tracks);
  if (!boot) RefuseAsInvalid("the image's last session holds no data track, which is where a CD-R boots");
  if (boot->offset >= image.size()) {
    RefuseAsInvalid("the image ends before its boot track (track " + std::to_string(boot->number) +
                    ") begins: it is cut short");
  }
  // The session's file system may go on into its later data tracks, and may name files that an
  // earlier session holds: every data track is read, the boot track's session first (the boot
  // track is that session's first data track).
  std::vector<TrackPiece> pieces;
  for (const bool boot_session : {true, false}) {
    for (const CdiTrack& track : tracks) {
      if (track.data && (track.session == boot->session) == boot_session) {
        pieces.push_back({&image, track.offset, std::uint64_t{track.length} * track.sector_size, track.sector_size,
                          track.start_lba});
      }
    }
  }
  return BootOfDataTrack(format, boot->number, Track(pieces));
}

std::vector<GdiTrack> GdiDataTracks(const DiscSource& table) {
  const std::vector<GdiTrack> tracks = ReadGdi(table);
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
  return {DiscFormat::Gdi, tracks.front().number, BootFileOfTrack(Track(pieces)), true};
}

std::span<const std::uint64_t> KnownOwnLoaders() { return {}; }

std::optional<bool> Boots(const DiscBoot& disc, Form form, std::span<const std::uint64_t> own_loaders) {
  if (form != Form::Scrambled && form != Form::Unscrambled && form != Form::ScrambledTwice) return std::nullopt;
  if (disc.gd_rom) return form == Form::Unscrambled;
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
  return said + (disc.gd_rom ? "; a GD-ROM boots only an unscrambled one" : "; a CD-R boots only a scrambled one");
}

std::string DiscJsonMembers(const DiscBoot& disc, Form form) {
  const BootFile& boot = disc.boot;
  const std::optional<bool> boots = Boots(disc, form, KnownOwnLoaders());
  char boot_code[17];
  std::snprintf(boot_code, sizeof boot_code, "%016llx", static_cast<unsigned long long>(boot.header.boot_code));
  return "\"format\": \"" + std::string(DiscFormatText(disc.format)) +
         "\", \"boot_file\": " + JsonString(boot.header.boot_file) +
         ", \"size\": " + std::to_string(boot.bytes.size()) + ", \"track\": " + std::to_string(disc.track) +
         ", \"lba\": " + std::to_string(boot.lba) + ", \"title\": " + JsonString(boot.header.title) +
         ", \"product_number\": " + JsonString(boot.header.product_number) +
         ", \"boots\": " + (boots ? (*boots ? "true" : "false") : "null") + ", \"boot_code\": \"" + boot_code + "\"";
}

}  // namespace quillet
