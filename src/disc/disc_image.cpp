#include "disc/disc_image.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstring>
#include <utility>
#include <vector>

#include "disc/boot_rule.h"
#include "disc/cdi.h"
#include "disc/iso9660.h"
#include "util/json_text.h"
#include "util/run_time_error.h"
#include "util/text_rules.h"

namespace quillet {
namespace {

constexpr std::size_t kLongestGdi = 64 * 1024;   // a few lines a track, 99 tracks at most
constexpr std::size_t kLongestText = 64 * 1024;  // a cue sheet or a CloneCD control file
constexpr std::uint32_t kBootstrapSectors = 16;
constexpr std::string_view kHardwareId = "SEGA SEGAKATANA ";

// True when `bytes` (16 at most) stand at `at`.
bool HasAt(const DiscSource& source, std::uint64_t at, std::string_view bytes) {
  std::array<std::byte, 16> read;
  if (bytes.size() > read.size() || !source.Holds(at, bytes.size())) return false;
  source.Read(at, std::span(read).first(bytes.size()));
  return std::memcmp(read.data(), bytes.data(), bytes.size()) == 0;
}

// Where the user data of sector `index` begins in an image of `size`-byte sectors: nothing where a
// raw sector there lacks its sync.
std::optional<std::uint64_t> SectorDataAt(const DiscSource& source, std::size_t size, std::uint64_t index) {
  const std::uint64_t at = index * size;
  if (!IsRawSector(size)) return at + SectorDataOffset(size, 0);
  std::array<std::byte, 1> mode;
  if (!HasAt(source, at, kSectorSync) || !source.Holds(at + kRawModeByte, 1)) return std::nullopt;
  source.Read(at + kRawModeByte, mode);
  return at + SectorDataOffset(size, std::to_integer<std::uint8_t>(mode[0]));
}

// An ISO image's sector size: the one in which a volume descriptor ("CD001") begins sector 16, or
// else a Dreamcast bootstrap begins the first sector of more than a bootstrap's 16.
std::optional<std::size_t> IsoSectorSize(const DiscSource& source) {
  for (const std::size_t size : kSectorSizes) {
    const std::optional<std::uint64_t> data = SectorDataAt(source, size, kBootstrapSectors);
    if (data && HasAt(source, *data + 1, "CD001")) return size;
  }
  for (const std::size_t size : kSectorSizes) {
    const std::optional<std::uint64_t> data = SectorDataAt(source, size, 0);
    if (data && source.size() > kBootstrapSectors * size && HasAt(source, *data, kHardwareId)) return size;
  }
  return std::nullopt;
}

// The whole of a short file, or nothing where it is longer than `longest`.
std::optional<std::string> ShortText(const DiscSource& source, std::size_t longest) {
  if (source.size() > longest) return std::nullopt;
  std::string text(static_cast<std::size_t>(source.size()), '\0');
  source.Read(0, std::as_writable_bytes(std::span(text)));
  if (text.starts_with("\xEF\xBB\xBF")) text.erase(0, 3);  // a UTF-8 byte-order mark
  return text;
}

bool IsGdi(const DiscSource& source) {
  try {
    return source.size() > 0 && !GdiTracks(source).empty();
  } catch (const RunTimeError&) {
    return false;
  }
}

// A Nero image ends in the id of its chunk table ("NER5", or "NERO" in older ones) and where the
// table begins, a big-endian number, which points at a chunk's id of four capitals.
bool IsNeroImage(const DiscSource& source) {
  for (const auto& [id, width] : {std::pair<std::string_view, std::size_t>{"NER5", 8}, {"NERO", 4}}) {
    const std::size_t footer = 4 + width;
    if (source.size() < footer || !HasAt(source, source.size() - footer, id)) continue;
    std::array<std::byte, 8> where;
    source.Read(source.size() - width, std::span(where).first(width));
    std::uint64_t table = 0;
    for (std::size_t at = 0; at < width; ++at) table = table << 8 | std::to_integer<std::uint64_t>(where[at]);
    std::array<std::byte, 4> chunk;
    if (table >= source.size() - footer || !source.Holds(table, chunk.size())) continue;
    source.Read(table, chunk);
    if (std::all_of(chunk.begin(), chunk.end(), [](std::byte c) {
          const auto letter = std::to_integer<char>(c);
          return (letter >= 'A' && letter <= 'Z') || (letter >= '0' && letter <= '9') || letter == '!';
        })) {
      return true;
    }
  }
  return false;
}

// True when a line of `text` begins with `word` (in any letter case) and a blank.
bool HasLineOf(std::string_view text, std::string_view word) {
  for (std::size_t start = 0; start < text.size();) {
    const std::size_t end = std::min(text.find('\n', start), text.size());
    std::string_view line = text.substr(start, end - start);
    line.remove_prefix(std::min(line.find_first_not_of(" \t"), line.size()));
    if (line.size() > word.size() && EqualsIgnoringAsciiCase(line.substr(0, word.size()), word) &&
        (line[word.size()] == ' ' || line[word.size()] == '\t')) {
      return true;
    }
    start = end + 1;
  }
  return false;
}

// The disc image formats Quillet does not read, as a person calls them; nothing for any other file.
std::optional<std::string_view> ForeignImageFormat(const DiscSource& source) {
  if (HasAt(source, 0, "MComprHD")) return "a CHD image";
  if (HasAt(source, 0, "MEDIA DESCRIPTOR")) return "an Alcohol image (.mds)";
  if (IsNeroImage(source)) return "a Nero image";
  const std::optional<std::string> text = ShortText(source, kLongestText);
  if (!text || text->find('\0') != std::string::npos) return std::nullopt;
  if (text->starts_with("[CloneCD]")) return "a CloneCD control file (.ccd)";
  if (HasLineOf(*text, "FILE") && HasLineOf(*text, "TRACK")) return "a cue sheet";
  return std::nullopt;
}

// The file's name without its folder, as a sentence names it.
std::string NameInSentence(std::string_view name) {
  const std::size_t slash = name.find_last_of("/\\");
  const std::string_view title = slash == std::string_view::npos ? name : name.substr(slash + 1);
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

// Where a Dreamcast bootstrap begins a data sector in `bytes`: after a raw sector's sync and header
// (and subheader), after a mode 2 form 1 subheader (its two copies alike, its data bit set), or 16
// sectors before a volume descriptor; nothing where no bootstrap is framed so.
std::optional<std::size_t> FramedBootstrap(std::span<const std::byte> bytes) {
  const std::string_view text(reinterpret_cast<const char*>(bytes.data()), bytes.size());
  const auto at = [&](std::size_t offset, std::string_view expected) {
    return offset <= text.size() && text.substr(offset).starts_with(expected);
  };
  for (std::size_t found = text.find(kHardwareId); found != std::string_view::npos;
       found = text.find(kHardwareId, found + 1)) {
    for (const char mode : {'\1', '\2'}) {
      const std::size_t data = SectorDataOffset(2352, static_cast<std::uint8_t>(mode));
      if (found >= data && at(found - data, kSectorSync) && text[found - data + kRawModeByte] == mode) return found;
    }
    if (found >= 8) {
      const std::string_view subheader = text.substr(found - 8, 8);
      constexpr char kDataBit = 0x08, kForm2Bit = 0x20;
      if (subheader.substr(0, 4) == subheader.substr(4) && (subheader[2] & kDataBit) && !(subheader[2] & kForm2Bit))
        return found;
    }
    if (at(found + kBootstrapSectors * kSectorData + 1, "CD001")) return found;
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
  if (const std::optional<std::string_view> foreign = ForeignImageFormat(source)) {
    RefuseAsInvalid(NameInSentence(name) + " is " + std::string(*foreign) +
                    "; Quillet reads CDI, ISO and GD-ROM (.gdi) images");
  }
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

void RefuseUnreadableDisc(std::span<const std::byte> bytes, std::string_view name) {
  const std::optional<std::size_t> bootstrap = FramedBootstrap(bytes);
  if (!bootstrap) return;
  RefuseAsInvalid(NameInSentence(name) + " is a disc image that cannot be read: it holds a Dreamcast bootstrap in a " +
                  "data sector at byte " + std::to_string(*bootstrap) +
                  ", but no table of tracks Quillet reads (a CDI's must be its last bytes)");
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

std::vector<GdiTrack> GdiTracks(const DiscSource& table) {
  const std::optional<std::string> text = ShortText(table, kLongestGdi);
  if (!text) RefuseAsInvalid("the .gdi file is too long to be a table of tracks");
  if (text->find('\0') != std::string::npos) RefuseAsInvalid("the .gdi file is no text");
  return ParseGdi(*text);
}

std::vector<GdiTrack> GdiDataTracks(const DiscSource& table) {
  const std::vector<GdiTrack> tracks = GdiTracks(table);
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

std::string DiscJsonMembers(const DiscBoot& disc, Form form) {
  const BootFile& boot = disc.boot;
  const std::optional<bool> boots = Boots(disc, form);
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
