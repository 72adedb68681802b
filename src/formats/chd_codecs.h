#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

#include "formats/disc_geometry.h"

// The codecs of a CD's CHD: a hunk holds frames of 2,352 bytes of sector data and 96 of subcode,
// and each codec compresses the two apart (cdlz: LZMA and deflate; cdzl: deflate twice; cdfl:
// FLAC and deflate; cdzs: zstd twice). The work is done by the codecs' own libraries.
namespace quillet {

inline constexpr std::size_t kChdFrameSize = kRawFrame;  // a frame: sector data, then subcode
inline constexpr std::size_t kChdSectorBytes = kRawSector;
inline constexpr std::size_t kChdSubcodeBytes = kSubcodeBytes;

// A codec's four letters as the header stores them, big-endian.
constexpr std::uint32_t ChdCodec(const char (&letters)[5]) {
  return static_cast<std::uint32_t>(static_cast<unsigned char>(letters[0])) << 24 |
         static_cast<std::uint32_t>(static_cast<unsigned char>(letters[1])) << 16 |
         static_cast<std::uint32_t>(static_cast<unsigned char>(letters[2])) << 8 |
         static_cast<std::uint32_t>(static_cast<unsigned char>(letters[3]));
}

// "cdlz (LZMA)", "cdfl (FLAC)"; a codec no CD uses by its letters alone, or where they are no
// letters, "a codec no CD uses (0x3F000001)".
std::string ChdCodecName(std::uint32_t codec);

// Whether Quillet reads `codec`: cdlz and cdzl, the codecs of data, cdfl, of audio, and cdzs; every
// build reads them all.
bool ChdCodecRead(std::uint32_t codec);

// Decompresses `compressed`, one hunk compressed with `codec`, into `hunk`, whole frames. False
// where the data does not decompress into exactly that; a codec Quillet does not read (ChdCodecRead) is
// the caller's to refuse.
bool DecompressChdHunk(std::uint32_t codec, std::span<const std::byte> compressed, std::span<std::byte> hunk);

// The CRC-16 (CCITT, from 0xFFFF) that a CHD's map holds for each hunk and for the map itself; `crc`:
// that of the bytes before, where they come in parts.
inline constexpr std::uint16_t kChdCrcStart = 0xFFFF;
std::uint16_t ChdCrc16(std::span<const std::byte> bytes, std::uint16_t crc = kChdCrcStart);

}  // namespace quillet
