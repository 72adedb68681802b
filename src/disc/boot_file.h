#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

// A disc's bootstrap (its IP.BIN: the first 16 sectors of the boot track) and the boot file it
// names, found in the track's ISO 9660 file system.
namespace quillet {

// The fields of an IP.BIN a person recognises a disc by, blanks trimmed.
struct BootHeader {
  std::string boot_file;       // at 0x60, 16 bytes: "1ST_READ.BIN"
  std::string product_number;  // at 0x40, 10 bytes
  std::string title;           // at 0x80, 128 bytes
};

// Reads `bootstrap` (at least 0x100 bytes); raises run-time error 5 where it is no IP.BIN (no
// hardware ID, no boot file name).
BootHeader ReadBootHeader(std::span<const std::byte> bootstrap);

struct BootFile {
  BootHeader header;
  std::string name;  // as the directory holds it
  std::uint32_t lba = 0;
  std::span<const std::byte> bytes;
};

// The boot file of an ISO image (2,048-byte sectors, made for the start of a disc or for a later
// session): its bootstrap, then the file it names. Raises run-time error 5 saying what is missing
// or wrong.
BootFile BootFileOfIso(std::span<const std::byte> image);

}  // namespace quillet
