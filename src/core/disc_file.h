#pragma once

#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "core/file_source.h"
#include "disc/disc_image.h"
#include "formats/table_of_contents.h"

// A disc image on disk, as every program that reads files takes it: its boot file, read where it
// is needed, never whole, and the files it is made of.
namespace quillet {

// The boot file of the disc image at `path`: an image known by its name (any extension the table of
// formats lists: a malformed one is refused saying why) or else by its content; for a .gdi or a cue
// sheet, from its data tracks' files beside it, a failure to open one naming it. Nothing where the file is no disc
// image; a disc image of a format Quillet does not read is refused.
std::optional<DiscBootFile> DiscBootAt(const std::string& path);

// `file`, a track file a table names as its folder holds it ("tracks/x.bin"), as a path beside the
// table at `table`.
std::string TrackFilePath(const std::string& table, std::string file);

// What opens the track files of the table at `table`: each beside it.
TrackFileOpener TrackFilesBeside(const std::string& table);

// A disc image opened once, for all that a run does with it: its file, the track files its table
// names (each opened once, when first read), its format and its table of contents.
class OpenedDisc {
 public:
  // Opens the disc image at `path`: nothing where the file is no disc image (told by its name, else
  // its content); raises as DiscBootAt does where it cannot be read or is of a format Quillet does
  // not read.
  static std::unique_ptr<OpenedDisc> Open(const std::string& path);
  OpenedDisc(const OpenedDisc&) = delete;
  OpenedDisc& operator=(const OpenedDisc&) = delete;

  const std::string& path() const { return path_; }
  DiscFormat format() const { return format_; }
  const FileSource& image() const { return image_; }
  TrackFiles& files() { return files_; }
  // Its table of contents, read the first time it is asked for. Raises run-time error 5 saying what
  // is wrong with a table that cannot be read.
  const TableOfContents& Contents();
  // The files it is made of, which nothing may replace: the image, and for a .gdi or a cue sheet
  // every track file its table names (a table that cannot be read names none).
  const std::vector<std::string>& FilePaths();
  // The one of those that `path` names, however it is spelt (another path, a symbolic or a hard
  // link); nothing where it names none.
  std::optional<std::string> FileNamedBy(const std::string& path);

 private:
  OpenedDisc(std::string path, DiscFormat format, FileSource image);

  std::string path_;
  DiscFormat format_;
  FileSource image_;
  TrackFiles files_;
  std::optional<TableOfContents> contents_;
  std::optional<std::vector<std::string>> file_paths_;
};

// The files that make up the disc image at `path`, as OpenedDisc::FilePaths. Nothing where `path`
// is no disc image, or cannot be read.
std::optional<std::vector<std::string>> DiscFilesAt(const std::string& path);

// Why a result is not written over `file`, a file of the disc image `image`: "its result OUT is the
// disc image IMAGE, which Quillet never writes; nothing written", or "its result OUT is a track file
// of IMAGE, ..." where OUT is the file as named.
std::string NeverWrittenOver(const std::string& output, const std::string& file, const std::string& image);

}  // namespace quillet
