#pragma once

#include <optional>
#include <span>
#include <string>
#include <vector>

#include "disc/disc_image.h"

// A disc image given to the command line, and its boot file. Its errors say their reason alone,
// without the standard description of a refusal that the window shows behind the error's number.
namespace quillet {

// The boot file of the disc image at `path`, read where it is needed, never whole: an image known by
// its name (.cdi, .iso, .gdi: a malformed one is refused saying why) or else by its content; for a
// .gdi, from its data tracks' files beside it, a failure to open one naming it. Nothing where the
// file is no disc image; a disc image of a format Quillet does not read is refused.
std::optional<DiscBoot> DiscBootAt(const std::string& path);

// Refuses `bytes`, the file at `path` that no format reads, where they hold a disc's data sectors.
void RefuseUnreadableDiscAt(const std::string& path, std::span<const std::byte> bytes);

// The files that make up the disc image at `path`, which nothing may replace: the image, and for
// a .gdi every track file it names. Nothing where `path` is no disc image, or cannot be read.
std::optional<std::vector<std::string>> DiscFilesAt(const std::string& path);

}  // namespace quillet
