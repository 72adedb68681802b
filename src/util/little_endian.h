#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <utility>

#include "util/run_time_error.h"

// Fields of file formats stored least significant byte first (ELF for SH, ISO 9660's both-endian
// fields, DiscJuggler tables), and the few stored the other way round.
namespace quillet {

// The field of `size` bytes (4 at most) at `at`; the caller has checked that the bytes are there.
inline std::uint32_t LittleEndian(std::span<const std::byte> bytes, std::size_t at, std::size_t size) {
  std::uint32_t value = 0;
  for (std::size_t i = size; i-- > 0;) value = value << 8 | std::to_integer<std::uint32_t>(bytes[at + i]);
  return value;
}

// The same, stored most significant byte first (CHD, Nero), `size` bytes (8 at most).
inline std::uint64_t BigEndian(std::span<const std::byte> bytes, std::size_t at, std::size_t size) {
  std::uint64_t value = 0;
  for (std::size_t i = 0; i < size; ++i) value = value << 8 | std::to_integer<std::uint64_t>(bytes[at + i]);
  return value;
}

inline std::uint32_t LittleEndian32(std::span<const std::byte> bytes, std::size_t at) {
  return LittleEndian(bytes, at, 4);
}

// The fields of a file's bytes, each read checked against their end: a field past it raises
// run-time error 5, "THE WHOLE is cut short (WHAT lies past its end)". Fields are read at an
// offset, or one after the other from where the last read ended.
class LittleEndianReader {
 public:
  // `whole` names the bytes in an error: "the ELF file".
  LittleEndianReader(std::span<const std::byte> bytes, std::string whole) : bytes_(bytes), whole_(std::move(whole)) {}

  std::span<const std::byte> BytesAt(std::uint64_t offset, std::uint64_t count, std::string_view what) const {
    if (offset > bytes_.size() || bytes_.size() - offset < count) {
      RefuseAsInvalid(whole_ + " is cut short (" + std::string(what) + " lies past its end)");
    }
    return bytes_.subspan(static_cast<std::size_t>(offset), static_cast<std::size_t>(count));
  }
  std::uint32_t U32At(std::uint64_t offset, std::string_view what) const {
    return LittleEndian32(BytesAt(offset, 4, what), 0);
  }
  std::uint16_t U16At(std::uint64_t offset, std::string_view what) const {
    return static_cast<std::uint16_t>(LittleEndian(BytesAt(offset, 2, what), 0, 2));
  }

  std::span<const std::byte> Next(std::uint64_t count, std::string_view what) {
    const std::span<const std::byte> bytes = BytesAt(next_, count, what);
    next_ += count;
    return bytes;
  }
  std::uint32_t NextU32(std::string_view what) { return LittleEndian32(Next(4, what), 0); }
  std::uint16_t NextU16(std::string_view what) { return static_cast<std::uint16_t>(LittleEndian(Next(2, what), 0, 2)); }
  std::uint8_t NextU8(std::string_view what) { return std::to_integer<std::uint8_t>(Next(1, what)[0]); }
  void Skip(std::uint64_t count, std::string_view what) { Next(count, what); }

 private:
  std::span<const std::byte> bytes_;
  std::string whole_;
  std::uint64_t next_ = 0;
};

}  // namespace quillet
