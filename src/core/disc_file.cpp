#include "core/disc_file.h"

#include <algorithm>
#include <utility>

#include "core/file_source.h"
#include "formats/cue.h"
#include "formats/disc_formats.h"
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

OpenedDisc::OpenedDisc(std::string path, DiscFormat format, FileSource image)
    : path_(std::move(path)), format_(format), image_(std::move(image)), files_(image_, TrackFilesBeside(path_)) {}

std::unique_ptr<OpenedDisc> OpenedDisc::Open(const std::string& path) {
  FileSource image(path);
  const std::optional<DiscFormat> format = AsRunTimeError([&] { return DiscFormatOf(image, path); });
  if (!format) return nullptr;
  return std::unique_ptr<OpenedDisc>(new OpenedDisc(path, *format, std::move(image)));
}

const TableOfContents& OpenedDisc::Contents() {
  if (!contents_) contents_ = RowOf(format_).contents(files_);
  return *contents_;
}

const std::vector<std::string>& OpenedDisc::FilePaths() {
  if (file_paths_) return *file_paths_;
  file_paths_.emplace(1, path_);
  try {
    if (const auto track_files = RowOf(format_).track_files) {
      for (const std::string& file : track_files(image_)) file_paths_->push_back(TrackFilePath(path_, file));
    }
  } catch (const RunTimeError&) {
    // A table that does not read names no track file.
  }
  return *file_paths_;
}

std::optional<std::string> OpenedDisc::FileNamedBy(const std::string& path) {
  const std::optional<FileStamp> named = StampOf(path);
  if (!named) return std::nullopt;
  for (const std::string& file : FilePaths()) {
    const std::optional<FileStamp> stamp = StampOf(file);
    if (stamp && stamp->volume == named->volume && stamp->file == named->file) return file;
  }
  return std::nullopt;
}

std::optional<std::vector<std::string>> DiscFilesAt(const std::string& path) {
  std::unique_ptr<OpenedDisc> disc;
  try {
    disc = OpenedDisc::Open(path);
  } catch (const RunTimeError& failure) {
    // No file, or none that can be read, is its own run's to say; a disc image of a format Quillet
    // does not read is a disc image still.
    if (failure.number() == error::kInvalidArgument && StampOf(path)) return std::vector<std::string>{path};
    return std::nullopt;
  }
  if (!disc) return std::nullopt;
  return disc->FilePaths();
}

std::string NeverWrittenOver(const std::string& output, const std::string& file, const std::string& image) {
  // A path is said once: where the result is named as the file itself, the sentence says what it is.
  const std::string what = file == image    ? (output == file ? "the disc image" : "the disc image " + image)
                           : output == file ? "a track file of " + image
                                            : file + ", a track file of " + image;
  return "its result " + output + " is " + what + ", which Quillet never writes; nothing written";
}

}  // namespace quillet
