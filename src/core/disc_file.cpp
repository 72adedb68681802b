#include "core/disc_file.h"

#include <algorithm>

#include "core/file_source.h"
#include "formats/cue.h"
#include "formats/gdi.h"
#include "sys/file_system.h"
#include "util/path_rules.h"
#include "util/run_time_error.h"

namespace quillet {

std::string TrackFilePath(const std::string& table, std::string file) {
  const PathStyle style = NativePathStyle();
  if (style == PathStyle::Windows) std::replace(file.begin(), file.end(), '/', '\\');
  return PathIn(ContainingFolder(table, style), file, style);
}

TrackFileOpener TrackFilesBeside(const std::string& table) {
  return [table](const std::string& file) { return std::make_unique<FileSource>(TrackFilePath(table, file)); };
}

std::optional<DiscBootFile> DiscBootAt(const std::string& path) {
  return BootOfDisc(FileSource(path), path, TrackFilesBeside(path));
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
      for (const std::string& file : GdiTrackFiles(*source)) files.push_back(TrackFilePath(path, file));
    }
    if (*format == DiscFormat::Cue) {
      for (const std::string& file : CueFileNames(ShortText(*source, kLongestCue).value_or(""))) {
        files.push_back(TrackFilePath(path, file));
      }
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
  // A path is said once: where the result is named as the file itself, the sentence says what it is.
  const std::string what = file == image    ? (output == file ? "the disc image" : "the disc image " + image)
                           : output == file ? "a track file of " + image
                                            : file + ", a track file of " + image;
  return "its result " + output + " is " + what + ", which Quillet never writes; nothing written";
}

}  // namespace quillet
