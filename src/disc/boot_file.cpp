#include "disc/boot_file.h"

#include <algorithm>
#include <cstring>
#include <string_view>
#include <utility>

#include "formats/iso9660.h"
#include "inspect/file_kind.h"
#include "util/run_time_error.h"
#include "util/text_rules.h"

namespace quillet {
namespace {

// The text of a fixed-length field as a person is shown it: NULs and other control bytes (a run of
// them a blank), and the blanks that pad it, trimmed.
std::string TrimmedField(std::span<const std::byte> bytes, std::size_t at, std::size_t length) {
  std::string shown;
  bool control = false;
  for (const char c : std::string_view(reinterpret_cast<const char*>(bytes.data()) + at, length)) {
    const bool is_control = static_cast<unsigned char>(c) < 0x20 || c == 0x7F;
    if (!is_control) shown += c;
    if (is_control && !control) shown += ' ';
    control = is_control;
  }
  const std::size_t begin = shown.find_first_not_of(' '), end = shown.find_last_not_of(' ');
  return begin == std::string::npos ? std::string() : shown.substr(begin, end - begin + 1);
}

// FNV-1a 64 over the bootstrap's code areas, those that stock boot code shares on every disc.
std::uint64_t BootCodeHash(std::span<const std::byte> bootstrap) {
  constexpr std::pair<std::size_t, std::size_t> kCodeAreas[] = {{0x300, 0x3700}, {0x3800, 0x3820}, {0x5820, 0x8000}};
  std::uint64_t hash = 0xcbf29ce484222325;
  for (const auto& [begin, end] : kCodeAreas) {
    for (std::size_t at = begin; at < std::min(end, bootstrap.size()); ++at) {
      hash = (hash ^ std::to_integer<std::uint64_t>(bootstrap[at])) * 0x100000001b3;
    }
  }
  return hash;
}

// `text`, padded with blanks to `size` bytes, at `at`.
void WriteField(std::span<std::byte> bootstrap, std::size_t at, std::string_view text, std::size_t size) {
  for (std::size_t i = 0; i < size; ++i) {
    bootstrap[at + i] = static_cast<std::byte>(i < text.size() ? static_cast<unsigned char>(text[i]) : ' ');
  }
}

}  // namespace

BootHeader ReadBootHeader(std::span<const std::byte> bootstrap) {
  if (!IsBootSectorImage(bootstrap)) RefuseAsInvalid("the disc has no bootstrap (no IP.BIN with a boot file name)");
  BootHeader header;
  header.boot_file = TrimmedField(bootstrap, 0x60, 16);
  header.product_number = TrimmedField(bootstrap, 0x40, 10);
  header.title = TrimmedField(bootstrap, 0x80, 128);
  header.maker_id = TrimmedField(bootstrap, 0x10, 16);
  header.area_symbols = std::string(reinterpret_cast<const char*>(bootstrap.data()) + 0x30, kRegions);
  for (int region = 0; region < kRegions; ++region) {
    header.area_texts[static_cast<std::size_t>(region)] =
        TrimmedField(bootstrap, 0x3704 + 32 * static_cast<std::size_t>(region), 28);
  }
  header.boot_code = BootCodeHash(bootstrap);
  return header;
}

void WriteRegions(std::span<std::byte> bootstrap, BootHeader& header, const std::string& symbols, bool all) {
  for (std::size_t region = 0; region < kRegions; ++region) {
    bootstrap[kAreaSymbolsAt + region] = static_cast<std::byte>(symbols[region]);
    const bool claimed = symbols[region] == kAreaSymbols[region];
    if (!claimed && !all) continue;
    const std::string text = claimed ? std::string(kAreaTexts[region]) : std::string();
    header.area_texts[region] = text;
    WriteField(bootstrap, kAreaTextsAt + 32 * region, text, kAreaTextBytes);
  }
  header.area_symbols = symbols;
}

std::uint16_t DeviceInfoCrc(std::span<const std::byte> bootstrap) {
  std::uint32_t crc = 0xFFFF;
  for (std::size_t at = 0x40; at < 0x50; ++at) {
    crc ^= std::to_integer<std::uint32_t>(bootstrap[at]) << 8;
    for (int bit = 0; bit < 8; ++bit) crc = (crc & 0x8000) ? (crc << 1) ^ 0x1021 : crc << 1;
  }
  return static_cast<std::uint16_t>(crc);
}

void WriteBootHeader(std::span<std::byte> bootstrap, const BootHeaderFields& fields) {
  WriteField(bootstrap, 0x60, fields.boot_file, 16);
  if (!fields.title.empty()) WriteField(bootstrap, 0x80, fields.title, 128);
  if (!fields.date.empty()) WriteField(bootstrap, 0x50, fields.date, 16);
  WriteField(bootstrap, 0x20, HexDigits(DeviceInfoCrc(bootstrap), 4, true), 4);
}

BootFile BootFileOfTrack(const Track& track, std::string_view past_end, std::string_view plain_past_end) {
  std::vector<std::byte> bootstrap;
  for (std::uint32_t index = 0; index < kBootstrapSectors; ++index) {
    const std::optional<SectorData> sector = track.Sector(track.first_lba() + index);
    if (!sector) RefuseAsInvalid("the image is cut short: it ends inside its bootstrap");
    bootstrap.insert(bootstrap.end(), sector->begin(), sector->end());
  }
  BootFile boot;
  boot.header = ReadBootHeader(bootstrap);
  boot.bootstrap = std::move(bootstrap);
  const std::optional<IsoFile> file = FindIsoFile(track, boot.header.boot_file);
  if (!file) {
    RefuseAsInvalid("the image holds no " + EscapeControls(boot.header.boot_file) + ", the boot file its IP.BIN names");
  }
  const std::string name = EscapeControls(file->name);
  const std::uint64_t sectors = (std::uint64_t{file->size} + kSectorData - 1) / kSectorData;
  if (file->lba < std::uint64_t{track.first_lba()} + kBootstrapSectors &&
      std::uint64_t{file->lba} + sectors > track.first_lba()) {
    RefuseAsInvalid(name +
                    " lies in the disc's bootstrap (its IP.BIN), where no program can be: the image is malformed");
  }
  boot.lba = file->lba;
  // The console loads the boot file whole into its 16 MiB of memory: a larger one is no boot file,
  // and no room is made for what a directory merely claims.
  constexpr std::uint32_t kLargestBootFile = 16 << 20;
  if (file->size > kLargestBootFile) {
    RefuseAsInvalid(name + " is " + std::to_string(file->size) +
                    " bytes long, more than a Dreamcast's 16 MiB of memory holds");
  }
  boot.bytes.reserve(file->size);
  for (std::uint32_t left = file->size, lba = file->lba; left > 0; ++lba) {
    const std::optional<SectorData> sector = track.Sector(lba);
    if (!sector) {
      const std::string lies = name + " lies past the image's end (";
      RefuseAsInvalid(lies + std::string(past_end) + ")",
                      plain_past_end.empty() ? std::string() : lies + std::string(plain_past_end) + ")");
    }
    const std::size_t take = std::min<std::size_t>(left, kSectorData);
    boot.bytes.insert(boot.bytes.end(), sector->begin(), sector->begin() + static_cast<std::ptrdiff_t>(take));
    left -= static_cast<std::uint32_t>(take);
  }
  return boot;
}

}  // namespace quillet
