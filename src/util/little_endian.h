#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

// Fields of file formats stored least significant byte first (ELF for SH, ISO 9660's both-endian
// fields, DiscJuggler tables). The caller has checked that the bytes are there.
namespace quillet {

inline std::uint32_t LittleEndian(std::span<const std::byte> bytes, std::size_t at, std::size_t size) {
  std::uint32_t value = 0;
  for (std::size_t i = size; i-- > 0;) value = value << 8 | std::to_integer<std::uint32_t>(bytes[at + i]);
  return value;
}

inline std::uint32_t LittleEndian32(std::span<const std::byte> bytes, std::size_t at) {
  return LittleEndian(bytes, at, 4);
}

}  // namespace quillet
