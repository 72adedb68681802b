#pragma once

#include <optional>
#include <string>

#include "disc/disc_image.h"
#include "inspect/scan_image.h"

// A disc image given to the command line, and its boot file.
namespace quillet {

// The boot file of the disc image at `path`, already mapped as `image`: an image known by its
// name (.cdi, .iso, .gdi: a malformed one is refused saying why) or else by its content; for a
// .gdi, from its boot track's file beside it. Nothing where the file is no disc image.
std::optional<DiscBoot> DiscBootAt(const std::string& path, const ScanImage& image);

}  // namespace quillet
