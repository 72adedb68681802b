#include "cli/disc_input.h"

#include <vector>

#include "util/file_system.h"
#include "util/path_rules.h"
#include "util/run_time_error.h"

namespace quillet {
namespace {

// The boot file of the GD-ROM dump whose table is at `path`: its high-density data tracks, in the
// files beside it.
DiscBoot GdiBoot(const std::string& path, const ScanImage& table) {
  const std::vector<GdiTrack> tracks = GdiDataTracks(BytesSource(table.bytes()));
  const PathStyle style = NativePathStyle();
  std::vector<ScanImage> images;
  std::vector<BytesSource> sources;
  images.reserve(tracks.size());
  sources.reserve(tracks.size());
  for (const GdiTrack& track : tracks) {
    images.push_back(MapScanImage(PathIn(ContainingFolder(path, style), track.file, style)));
    sources.emplace_back(images.back().bytes());
  }
  std::vector<const DiscSource*> files;
  for (const BytesSource& source : sources) files.push_back(&source);
  DiscBoot disc = BootOfGdi(tracks, files);
  for (const ScanImage& image : images) image.RequireWhole();
  return disc;
}

}  // namespace

std::optional<DiscBoot> DiscBootAt(const std::string& path, const ScanImage& image) {
  const BytesSource source(image.bytes());
  const std::optional<DiscFormat> format = DiscFormatOf(source, path);
  if (!format) return std::nullopt;
  return *format == DiscFormat::Gdi ? GdiBoot(path, image) : BootOfImage(*format, source);
}

}  // namespace quillet
