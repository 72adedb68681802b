#include "cli/disc_input.h"

#include <vector>

#include "util/file_system.h"
#include "util/path_rules.h"
#include "util/run_time_error.h"

namespace quillet {
namespace {

// The boot file of the GD-ROM dump whose table is at `path`: its boot track, in the file beside it.
DiscBoot GdiBoot(const std::string& path, const ScanImage& table) {
  const std::vector<GdiTrack> tracks = ParseGdi(GdiText(table.bytes()));
  const std::optional<GdiTrack> boot_track = GdiBootTrack(tracks);
  if (!boot_track) RefuseAsInvalid("the .gdi file lists no data track at LBA 45000 or after, where a GD-ROM boots");
  const PathStyle style = NativePathStyle();
  const ScanImage track = MapScanImage(PathIn(ContainingFolder(path, style), boot_track->file, style));
  DiscBoot disc = BootOfGdiTrack(*boot_track, BytesSource(track.bytes()));
  track.RequireWhole();
  return disc;
}

}  // namespace

std::optional<DiscBoot> DiscBootAt(const std::string& path, const ScanImage& image) {
  const BytesSource source(image.bytes());
  std::optional<DiscFormat> format = DiscFormatOfName(path);
  if (!format) format = DiscFormatOf(source);
  if (!format) return std::nullopt;
  return *format == DiscFormat::Gdi ? GdiBoot(path, image) : BootOfImage(*format, source);
}

}  // namespace quillet
