#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "formats/disc_geometry.h"
#include "formats/track.h"

// A disc's bootstrap (its IP.BIN: the first 16 sectors of the boot track) and the boot file it
// names, found in the track's ISO 9660 file system.
namespace quillet {

// The regions a disc may claim, in the order of their area symbols and area texts: Japan, the USA
// and Europe. A region is claimed by its symbol at 0x30 + region and by its text, 28 bytes padded with
// blanks, at 0x3704 + 32 * region, where the boot code's area protection holds it.
inline constexpr int kRegions = 3;
inline constexpr std::string_view kAreaSymbols = "JUE";
inline constexpr std::array<std::string_view, kRegions> kAreaTexts = {"For JAPAN,TAIWAN,PHILIPINES.",
                                                                      "For USA and CANADA.", "For EUROPE."};
inline constexpr std::size_t kAreaSymbolsAt = 0x30, kAreaTextsAt = 0x3704, kAreaTextBytes = 28;

// The fields of an IP.BIN a person recognises a disc by, and those the console checks, blanks
// trimmed.
struct BootHeader {
  std::string boot_file;       // at 0x60, 16 bytes: "1ST_READ.BIN"
  std::string product_number;  // at 0x40, 10 bytes
  std::string title;           // at 0x80, 128 bytes
  std::string maker_id;        // at 0x10, 16 bytes: "SEGA ENTERPRISES"
  // The regions claimed: the area symbols at 0x30 ('J', 'U', 'E', or a blank where a region is
  // not claimed), and the area texts that the boot code's area protection holds for each, at
  // 0x3704, 0x3724 and 0x3744 (28 bytes each, blanks where the region is not claimed).
  std::string area_symbols;
  std::array<std::string, kRegions> area_texts;
  // A hash (64-bit FNV-1a) of the bootstrap's code alone: 0x300 to 0x36FF, 0x3800 to 0x381F and
  // 0x5820 to 0x7FFF. It leaves out what differs from disc to disc made with the same boot code: the
  // header (0x000 to 0x0FF), the table of contents (0x100 to 0x2FF), the area symbols (0x3700 to
  // 0x37FF) and the 8 KiB where the boot logo goes (0x3820 to 0x581F).
  std::uint64_t boot_code = 0;
};

struct BootFile {
  BootHeader header;
  std::uint32_t lba = 0;
  std::vector<std::byte> bytes;      // its user data: a boot file is a few megabytes at most
  std::vector<std::byte> bootstrap;  // the IP.BIN's 32 KiB
};

// The console loads the boot file at 0x8C010000, and its memory ends at 0x8D000000.
inline constexpr std::uint64_t kLargestLoadedFile = 0x8D000000 - 0x8C010000;

// The 32 KiB of an IP.BIN.
inline constexpr std::size_t kBootstrapBytes = kBootstrapSectors * 2048;

// The header of `bootstrap` (its 32 KiB). Raises run-time error 5 where it is no IP.BIN (no hardware
// ID, no boot file name).
BootHeader ReadBootHeader(std::span<const std::byte> bootstrap);

// Writes the regions `symbols` claims ("JUE", "J  ") into `bootstrap` and `header`: the symbols, and
// each claimed region's standard text; where `all`, blanks for a region not claimed too. An
// unclaimed region's text is otherwise kept: blanking it would change no console's answer.
void WriteRegions(std::span<std::byte> bootstrap, BootHeader& header, const std::string& symbols, bool all);

// The device information's check value: CRC-16 (polynomial 0x1021, from 0xFFFF, most significant bit
// first) of the product number and version (0x40 to 0x4F), which the header keeps at 0x20 as 4
// upper-case hex digits.
std::uint16_t DeviceInfoCrc(std::span<const std::byte> bootstrap);

// What a disc's maker writes into an IP.BIN's header; a field left empty keeps what the IP.BIN has.
struct BootHeaderFields {
  std::string boot_file = "1ST_READ.BIN";
  std::string title;  // 128 bytes at most
  std::string date;   // YYYYMMDD
};

// Writes `fields` into `bootstrap`'s header, each padded with blanks, then the device information's
// check value over what it then holds.
void WriteBootHeader(std::span<std::byte> bootstrap, const BootHeaderFields& fields);

// The boot file of a disc's boot track: the bootstrap in its first 16 sectors, then the file it
// names in the track's ISO 9660 file system. Raises run-time error 5 saying what is missing or
// wrong; `past_end` says why the file may lie past the image's end (`plain_past_end`, where given, in a
// person's plain words).
BootFile BootFileOfTrack(const Track& track, std::string_view past_end = "the image is cut short",
                         std::string_view plain_past_end = {});

}  // namespace quillet
