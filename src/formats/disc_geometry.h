#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

// Where things lie on a CD-R and a GD-ROM, in sectors (logical block addresses, LBA 0 being where
// the first track's 150-sector pregap ends).
namespace quillet {

// A sector's bytes: its user data alone (an ISO's), after a mode 2 subheader, or raw (sync, header,
// data and codes); a raw frame as a drive reads it carries the subchannel after it, all 96 bytes
// or the Q channel's 16.
inline constexpr std::size_t kSectorData = 2048;
inline constexpr std::size_t kMode2Sector = kSectorData + 288;  // 2,336
inline constexpr std::size_t kRawSector = 2352;
inline constexpr std::size_t kSubcodeBytes = 96, kQSubcodeBytes = 16;
inline constexpr std::size_t kRawFrame = kRawSector + kSubcodeBytes;  // 2,448

// A Dreamcast disc's bootstrap (its IP.BIN): its first bytes, and the sectors it takes at the start
// of the boot track, before the volume descriptors of its file system.
inline constexpr std::string_view kHardwareId = "SEGA SEGAKATANA ";
inline constexpr std::uint32_t kBootstrapSectors = 16;

// The shortest track a CD-R should have: 4 seconds (300 sectors), then the 2 sectors that end a
// data track.
inline constexpr std::uint32_t kLeastTrackSectors = 302;

// A CD holds 99 tracks at most.
inline constexpr std::size_t kMostTracks = 99;

// Where a GD-ROM's high-density area, and with it its boot track (track 3), begins.
inline constexpr std::uint32_t kHighDensityArea = 45000;

// The last sector any disc has: a GD-ROM's high-density area ends there.
inline constexpr std::uint32_t kLastLba = 549150;

// Between two sessions of a CD-R: the one's lead-out (a first session's is longer), the next one's
// lead-in, and its first track's pregap.
inline constexpr std::uint32_t kFirstLeadOut = 6750, kLaterLeadOut = 2250, kLeadIn = 4500, kSessionPregap = 150;
inline constexpr std::uint32_t kFirstSessionGap = kFirstLeadOut + kLeadIn + kSessionPregap;  // 11,400

}  // namespace quillet
