#include "formats/sector_codes.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "formats/sector.h"

namespace quillet {
namespace {

constexpr std::size_t kHeaderEnd = 16;
constexpr std::size_t kForm2EdcAt = 2348;

// P over the header and data (2,064 bytes) taken as 24 rows of 86 columns, then Q over those and
// P (2,236 bytes) along 52 diagonals of 43. Each column or diagonal gives two bytes, from the sum of
// its bytes (b) and their weighted sum (a, doubled in GF(2^8) at each step). The columns run side by
// side, so that the compiler can do them many at a time.
class SectorEcc {
 public:
  SectorEcc() {
    for (unsigned value = 0; value < 256; ++value) {
      backward_[value ^ Double(static_cast<std::uint8_t>(value))] = static_cast<std::uint8_t>(value);
    }
    for (std::size_t minor = 0; minor < kQMinors; ++minor) {
      for (std::size_t major = 0; major < kQMajors; ++major) {
        q_index_[minor][major] =
            static_cast<std::uint16_t>(((major >> 1) * 86 + (major & 1) + minor * 88) % (kQMajors * kQMinors));
      }
    }
  }

  // `data`: the sector from its header on, 2,340 bytes (P and Q written into its last 276).
  void Generate(std::uint8_t* data) const {
    std::array<std::uint8_t, kPMajors> a{}, b{};
    for (std::size_t minor = 0; minor < kPMinors; ++minor) {
      const std::uint8_t* row = data + minor * kPMajors;
      for (std::size_t major = 0; major < kPMajors; ++major) {
        a[major] = Double(a[major] ^ row[major]);
        b[major] ^= row[major];
      }
    }
    Finish(std::span(a), std::span(b), data + 2064);
    std::array<std::uint8_t, kQMajors> qa{}, qb{};
    for (std::size_t minor = 0; minor < kQMinors; ++minor) {
      for (std::size_t major = 0; major < kQMajors; ++major) {
        const std::uint8_t value = data[q_index_[minor][major]];
        qa[major] = Double(qa[major] ^ value);
        qb[major] ^= value;
      }
    }
    Finish(std::span(qa), std::span(qb), data + 2236);
  }

 private:
  static constexpr std::size_t kPMajors = 86, kPMinors = 24, kQMajors = 52, kQMinors = 43;

  static std::uint8_t Double(unsigned value) {
    return static_cast<std::uint8_t>((value << 1) ^ ((value >> 7) & 1) * 0x1D);
  }

  // The two bytes of each column: `into` and `into` + the number of columns.
  void Finish(std::span<const std::uint8_t> a, std::span<const std::uint8_t> b, std::uint8_t* into) const {
    for (std::size_t major = 0; major < a.size(); ++major) {
      const std::uint8_t code = backward_[Double(a[major]) ^ b[major]];
      into[major] = code;
      into[major + a.size()] = code ^ b[major];
    }
  }

  std::array<std::uint8_t, 256> backward_{};
  std::array<std::array<std::uint16_t, kQMajors>, kQMinors> q_index_{};
};

// The EDC eight bytes a step ("slicing by 8"): row k gives a byte's remainder followed by k zero
// bytes, so that the eight are looked up independently. Made when first needed (the constructor is
// no constant expression), not kept in the program's data: the page carries every byte of that.
struct EdcTables {
  EdcTables() {
    for (std::uint32_t value = 0; value < 256; ++value) {
      std::uint32_t edc = value;
      for (int bit = 0; bit < 8; ++bit) edc = (edc >> 1) ^ (edc & 1 ? 0xD8018001 : 0);
      rows[0][value] = edc;
    }
    for (std::size_t row = 1; row < rows.size(); ++row) {
      for (std::size_t value = 0; value < 256; ++value) {
        const std::uint32_t before = rows[row - 1][value];
        rows[row][value] = (before >> 8) ^ rows[0][before & 0xFF];
      }
    }
  }
  std::array<std::array<std::uint32_t, 256>, 8> rows{};
};

void PutLittleEndian32(std::byte* into, std::uint32_t value) {
  for (int byte = 0; byte < 4; ++byte) into[byte] = static_cast<std::byte>(value >> (8 * byte));
}

// Writes the codes of `sector`, a raw sector of 2,352 bytes.
void WriteRawCodes(std::span<std::byte, kRawSector> sector) {
  const auto mode = std::to_integer<unsigned>(sector[kRawModeByte]);
  if (mode == 1) {
    PutLittleEndian32(&sector[2064], SectorEdc(sector.first(2064)));
    std::fill_n(&sector[2068], 8, std::byte{0});
  } else if (mode == 2) {
    if (std::to_integer<unsigned>(sector[18]) & 0x20) {  // form 2: an EDC alone, over subheader and data
      PutLittleEndian32(&sector[kForm2EdcAt], SectorEdc(sector.subspan(kHeaderEnd, kForm2EdcAt - kHeaderEnd)));
      return;
    }
    PutLittleEndian32(&sector[2072], SectorEdc(sector.subspan(kHeaderEnd, 2072 - kHeaderEnd)));
  } else {
    return;
  }
  GenerateSectorEcc(sector);
}

// `sector`, a 2,336-byte mode 2 sector, as a raw one: a sync and a header of mode 2 before it.
std::array<std::byte, kRawSector> AsRaw(std::span<const std::byte> sector) {
  std::array<std::byte, kRawSector> raw{};
  std::memcpy(raw.data(), kSectorSync.data(), kSectorSync.size());
  raw[kRawModeByte] = std::byte{2};
  std::copy_n(sector.begin(), std::min<std::size_t>(sector.size(), kRawSector - kHeaderEnd), raw.begin() + kHeaderEnd);
  return raw;
}

bool IsRawData(std::span<const std::byte> sector) {
  return sector.size() >= kRawSector && std::memcmp(sector.data(), kSectorSync.data(), kSectorSync.size()) == 0;
}

}  // namespace

std::uint32_t SectorEdc(std::span<const std::byte> bytes) {
  static const EdcTables tables;
  const auto byte = [&](std::size_t at) { return std::to_integer<std::uint32_t>(bytes[at]); };
  std::uint32_t edc = 0;
  std::size_t at = 0;
  for (; at + 8 <= bytes.size(); at += 8) {
    edc ^= byte(at) | byte(at + 1) << 8 | byte(at + 2) << 16 | byte(at + 3) << 24;
    edc = tables.rows[7][edc & 0xFF] ^ tables.rows[6][(edc >> 8) & 0xFF] ^ tables.rows[5][(edc >> 16) & 0xFF] ^
          tables.rows[4][edc >> 24] ^ tables.rows[3][byte(at + 4)] ^ tables.rows[2][byte(at + 5)] ^
          tables.rows[1][byte(at + 6)] ^ tables.rows[0][byte(at + 7)];
  }
  for (; at < bytes.size(); ++at) edc = (edc >> 8) ^ tables.rows[0][(edc ^ byte(at)) & 0xFF];
  return edc;
}

void GenerateSectorEcc(std::span<std::byte> sector) {
  static const SectorEcc ecc;
  auto* data = reinterpret_cast<std::uint8_t*>(sector.data()) + 12;
  if (std::to_integer<unsigned>(sector[kRawModeByte]) != 2) {
    ecc.Generate(data);
    return;
  }
  std::array<std::uint8_t, 4> header;
  std::copy_n(data, header.size(), header.begin());
  std::fill_n(data, header.size(), 0);
  ecc.Generate(data);
  std::copy(header.begin(), header.end(), data);
}

void WriteSectorCodes(std::span<std::byte> sector) {
  if (IsRawData(sector)) {
    WriteRawCodes(sector.first<kRawSector>());
  } else if (sector.size() == 2336) {
    std::array<std::byte, kRawSector> raw = AsRaw(sector);
    WriteRawCodes(raw);
    std::copy(raw.begin() + kHeaderEnd, raw.end(), sector.begin());
  }
}

bool HasValidSectorCodes(std::span<const std::byte> sector) {
  std::array<std::byte, kRawSector> made;
  std::size_t skip = 0;  // what `sector` holds before where `made` begins
  if (IsRawData(sector)) {
    std::copy_n(sector.begin(), kRawSector, made.begin());
  } else if (sector.size() == 2336) {
    made = AsRaw(sector);
    skip = kHeaderEnd;
  } else {
    return false;
  }
  const auto mode = std::to_integer<unsigned>(made[kRawModeByte]);
  if (mode != 1 && mode != 2) return false;
  // Form 1 and form 2 agree on the subheader; a mode 1 sector has none.
  const std::size_t codes = mode == 1 ? 2064 : (std::to_integer<unsigned>(made[18]) & 0x20) ? kForm2EdcAt : 2072;
  WriteRawCodes(made);
  return std::equal(made.begin() + static_cast<std::ptrdiff_t>(codes), made.end(),
                    sector.begin() + static_cast<std::ptrdiff_t>(codes - skip));
}

}  // namespace quillet
