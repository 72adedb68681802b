#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

// The codes a CD's data sector carries after its data (ECMA-130): an EDC (a CRC-32) that detects
// errors, then P and Q parity that correct them. Mode 1 and mode 2 form 1 carry both; mode 2 form 2
// an EDC alone. A mode 2 sector's P and Q count its 4 header bytes as zeros, so that a sector keeps
// its codes wherever it is written; its EDC covers the subheader and data.
namespace quillet {

// The EDC of `bytes`: CRC-32 with the polynomial x^32 + x^31 + x^16 + x^15 + x^4 + x^3 + x + 1,
// least significant bit first, from 0.
std::uint32_t SectorEdc(std::span<const std::byte> bytes);

// Writes the P and Q parity of `sector`, a raw sector of 2,352 bytes (or more: the subchannel after
// it is left alone), over its header (zeros for mode 2), its data and its EDC.
void GenerateSectorEcc(std::span<std::byte> sector);

// Writes every code `sector` carries: a raw sector (2,352 bytes or more) of mode 1 or mode 2 as its
// header's mode byte says, or a 2,336-byte mode 2 sector (subheader first); its form (1 or 2) as
// its subheader says. Nothing for any other sector.
void WriteSectorCodes(std::span<std::byte> sector);

// True when the codes `sector` carries are the ones its bytes give (as WriteSectorCodes would write
// them); false for a sector that has none (a mode 0 or audio sector, an ISO's 2,048 bytes).
bool HasValidSectorCodes(std::span<const std::byte> sector);

}  // namespace quillet
