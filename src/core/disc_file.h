#pragma once

#include <optional>
#include <span>
#include <string>
#include <vector>

#include "disc/disc_image.h"

// A disc image on disk, as every program that reads files takes it: its boot file, read where it
// is needed, never whole, and the files it is made of.
namespace quillet {

// The boot file of the disc image at `path`: an image known by its name (.cdi, .iso, .gdi: a
// malformed one is refused saying why) or else by its content; for a .gdi, from its data tracks'
// files beside it, a failure to open one naming it. Nothing where the file is no disc image; a disc
// image of a format Quillet does not read is refused.
std::optional<DiscBootFile> DiscBootAt(const std::string& path);

// `file`, a track file a table names as its folder holds it ("tracks/x.bin"), as a path beside the
// table at `table`.
std::string TrackFilePath(const std::string& table, std::string file);

// What opens the track files of the table at `table`: each beside it.
TrackFileOpener TrackFilesBeside(const std::string& table);

// The files that make up the disc image at `path`, which nothing may replace: the image, and for
// a .gdi every track file it names. Nothing where `path` is no disc image, or cannot be read.
std::optional<std::vector<std::string>> DiscFilesAt(const std::string& path);

// The file of the disc image at `image` (the image, or a track file its .gdi names) that `path`
// names, however it is spelt (another path, a symbolic or a hard link); nothing where it names none.
std::optional<std::string> ImageFileNamedBy(const std::string& image, const std::string& path);

// Why a result is not written over `file`, a file of the disc image `image`: "its result OUT is the
// disc image IMAGE, which Quillet never writes; nothing written", or "its result OUT is a track file
// of IMAGE, ..." where OUT is the file as named.
std::string NeverWrittenOver(const std::string& output, const std::string& file, const std::string& image);

}  // namespace quillet
