#include "disc/boot_file.h"

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

BootFile BootFileOfIso(std::span<const std::byte> image) {
  constexpr std::size_t kBootstrap = 16 * kSectorData;
  if (image.size() < kBootstrap) RefuseAsInvalid("the image is cut short: it ends inside its bootstrap");
  BootFile boot;
  boot.header = ReadBootHeader(image.first(kBootstrap));
  const Track track(image, kSectorData, IsoTrackBase(image, kSectorData));
  const std::optional<IsoFile> file = FindIsoFile(track, boot.header.boot_file);
  if (!file) RefuseAsInvalid("the image holds no " + boot.header.boot_file + ", the boot file its IP.BIN names");
  const std::uint64_t offset = std::uint64_t{file->lba - track.first_lba()} * kSectorData;
  if (file->lba < track.first_lba() || offset + file->size > image.size()) {
    RefuseAsInvalid(file->name + " lies past the image's end (the image is cut short)");
  }
  boot.name = file->name;
  boot.lba = file->lba;
  boot.bytes = image.subspan(static_cast<std::size_t>(offset), file->size);
  return boot;
}

}  // namespace quillet
