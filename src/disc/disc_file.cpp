#include "disc/disc_file.h"

#include <deque>

#include "disc/file_source.h"
#include "util/file_system.h"
#include "util/path_rules.h"
#include "util/run_time_error.h"
#include "util/text_rules.h"

namespace quillet {
namespace {

std::string TrackPath(const std::string& gdi, const GdiTrack& track) {
  const PathStyle style = NativePathStyle();
  return PathIn(ContainingFolder(gdi, style), track.file, style);
}

// The boot file of the GD-ROM dump whose table is `table`, at `path`: its high-density data tracks,
// in the files beside it.
DiscBootFile GdiBoot(const std::string& path, const DiscSource& table) {
  const std::vector<GdiTrack> tracks = GdiDataTracks(table);
  std::deque<FileSource> files;
  std::vector<const DiscSource*> sources;
  for (const GdiTrack& track : tracks) {
    try {
      sources.push_back(&files.emplace_back(TrackPath(path, track)));
    } catch (const RunTimeError& failure) {
      throw RunTimeError(failure.number(),
                         "its track file " + EscapeControls(track.file) + ": " + failure.description());
    }
  }
  return BootOfGdi(tracks, sources);
}

}  // namespace

std::optional<DiscBootFile> DiscBootAt(const std::string& path) {
  const FileSource source(path);
  const std::optional<DiscFormat> format = DiscFormatOf(source, path);
  if (!format) return std::nullopt;
  return *format == DiscFormat::Gdi ? GdiBoot(path, source) : BootOfImage(*format, source);
}

std::optional<std::vector<std::string>> DiscFilesAt(const std::string& path) {
  std::optional<FileSource> source;
  std::optional<DiscFormat> format;
  try {
    source.emplace(path);
  } catch (const RunTimeError&) {
    return std::nullopt;  // no file, or none that can be read: its own run says so
  }
  try {
    format = DiscFormatOf(*source, path);
  } catch (const RunTimeError&) {
    return std::vector<std::string>{path};  // a disc image of a format Quillet does not read
  }
  if (!format) return std::nullopt;
  std::vector<std::string> files{path};
  try {
    if (*format == DiscFormat::Gdi) {
      for (const GdiTrack& track : GdiTracks(*source)) files.push_back(TrackPath(path, track));
    }
  } catch (const RunTimeError&) {
    // A table that does not read names no track file.
  }
  return files;
}

std::optional<std::string> ImageFileNamedBy(const std::string& image, const std::string& path) {
  const std::optional<FileStamp> named = StampOf(path);
  if (!named) return std::nullopt;
  for (const std::string& file : DiscFilesAt(image).value_or(std::vector<std::string>())) {
    const std::optional<FileStamp> stamp = StampOf(file);
    if (stamp && stamp->volume == named->volume && stamp->file == named->file) return file;
  }
  return std::nullopt;
}

std::string NeverWrittenOver(const std::string& output, const std::string& file, const std::string& image) {
  const std::string what = file == image ? "the disc image " + image : file + ", a track file of " + image;
  return "its result " + output + " is " + what + ", which Quillet never writes; nothing written";
}

}  // namespace quillet
