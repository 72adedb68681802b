#include "disc/boot_file.h"

#include <algorithm>
#include <cstring>
#include <string_view>

#include "disc/iso9660.h"
#include "inspect/file_kind.h"
#include "util/run_time_error.h"

namespace quillet {
namespace {

std::string Field(std::span<const std::byte> bytes, std::size_t at, std::size_t length) {
  std::string_view text(reinterpret_cast<const char*>(bytes.data()) + at, length);
  const std::size_t end = text.find_last_not_of(std::string_view(" \0", 2));
  return std::string(end == std::string_view::npos ? std::string_view() : text.substr(0, end + 1));
}

}  // namespace

BootHeader ReadBootHeader(std::span<const std::byte> bootstrap) {
  if (!IsBootSectorImage(bootstrap)) RefuseAsInvalid("the disc has no bootstrap (no IP.BIN with a boot file name)");
  return {Field(bootstrap, 0x60, 16), Field(bootstrap, 0x40, 10), Field(bootstrap, 0x80, 128)};
}

BootFile BootFileOfTrack(const Track& track) {
  constexpr std::uint32_t kBootstrapSectors = 16;
  std::vector<std::byte> bootstrap;
  for (std::uint32_t index = 0; index < kBootstrapSectors; ++index) {
    const auto sector = track.Sector(track.first_lba() + index);
    if (!sector) RefuseAsInvalid("the image is cut short: it ends inside its bootstrap");
    bootstrap.insert(bootstrap.end(), sector->begin(), sector->end());
  }
  BootFile boot;
  boot.header = ReadBootHeader(bootstrap);
  const std::optional<IsoFile> file = FindIsoFile(track, boot.header.boot_file);
  if (!file) RefuseAsInvalid("the image holds no " + boot.header.boot_file + ", the boot file its IP.BIN names");
  boot.name = file->name;
  boot.lba = file->lba;
  boot.bytes.reserve(file->size);
  for (std::uint32_t left = file->size, lba = file->lba; left > 0; ++lba) {
    const auto sector = track.Sector(lba);
    if (!sector) RefuseAsInvalid(file->name + " lies past the image's end (the image is cut short)");
    const std::size_t take = std::min<std::size_t>(left, kSectorData);
    boot.bytes.insert(boot.bytes.end(), sector->begin(), sector->begin() + static_cast<std::ptrdiff_t>(take));
    left -= static_cast<std::uint32_t>(take);
  }
  return boot;
}

bool IsIsoImage(std::span<const std::byte> bytes) {
  constexpr std::size_t kAt = 16 * kSectorData + 1;
  return bytes.size() >= kAt + 5 && std::memcmp(bytes.data() + kAt, "CD001", 5) == 0;
}

BootFile BootFileOfIso(std::span<const std::byte> image) {
  return BootFileOfTrack(Track(image, kSectorData, IsoTrackBase(image, kSectorData)));
}

}  // namespace quillet
