#pragma once

#include <cstddef>
#include <span>
#include <string_view>

// What a file's name says about it, before anything is read; and what its first bytes say.
namespace quillet {

// True when the name's last three characters are "elf" in any case ("game.elf", "GAME.ELF", and
// "myself" too): such a file is converted, not scanned.
bool IsElfName(std::string_view name);

// True when `bytes` begin as every ELF file does: 0x7F, "ELF".
bool IsElfImage(std::span<const std::byte> bytes);

// True when the file title is "ip.bin" in any case: the disc's boot header, never the executable.
bool IsIpBinTitle(std::string_view title);

// True when `bytes` are a disc's boot header (an IP.BIN) whatever its name: the hardware ID
// "SEGA SEGAKATANA " at offset 0 and a boot file name at 0x60 (printable ASCII, padded with blanks).
bool IsBootSectorImage(std::span<const std::byte> bytes);
// How many of its first bytes that takes.
inline constexpr std::size_t kBootHeaderLength = 0x70;

// The window's refusal of an IP.BIN, which every program gives in the same words.
inline constexpr std::string_view kIpBinRefusal = "Please select a 1st_read.bin, not an Ip.bin!";
inline constexpr std::string_view kIpBinRefusalTitle = "Halt - Ip.bin!";

}  // namespace quillet
