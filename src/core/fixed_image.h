#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "core/disc_file.h"
#include "core/file_source.h"
#include "disc/boot_rule.h"
#include "disc/disc_fix.h"
#include "formats/disc_formats.h"
#include "formats/table_of_contents.h"

// A fixed copy of a disc image on disk: the fix planned from the image and its track files, and
// the files written. A CDI or ISO image becomes NAME_fixed.cdi or NAME_fixed.iso beside it; a .gdi's
// or cue sheet's set goes into a folder NAME_fixed beside it, every track file with it; a CHD, which
// is read-only, becomes a cue sheet and a file a track in NAME_fixed. The unchanged bytes are copied
// by the system (a clone where the file system shares blocks), the changed sectors written over them.
namespace quillet {

// A fixed copy as it took its place: its path (the image, or a set's sheet) and its disc, read back
// from what was written before it took the place.
struct FixedCopy {
  std::string path;
  DiscBootFile disc;
};

class ImageFix {
 public:
  // Reads the disc image at `path` and plans its fix. Raises run-time error 5 where it is no disc
  // image, or one that cannot be read, saying why.
  ImageFix(const std::string& path, const FixRequest& request, const BootCodes& codes = {});
  // The same of a disc image opened already.
  ImageFix(std::shared_ptr<OpenedDisc> disc, const FixRequest& request, const BootCodes& codes = {});
  ImageFix(const ImageFix&) = delete;
  ImageFix& operator=(const ImageFix&) = delete;
  ~ImageFix();

  const DiscFix& fix() const { return fix_; }
  // Whether its copy is of another format: a CHD's is a cue sheet and its track files.
  bool from_chd() const { return RowOf(toc_.format).fixed_as != toc_.format; }

  // Where the fixed files go, the image or its sheet first: at `output` where it is given, a set's
  // track files beside it.
  std::vector<std::string> Targets(const std::optional<std::string>& output = {}) const;
  // Where the copy goes: the image, or a set's folder.
  std::string Destination(const std::optional<std::string>& output = {}) const;

  // Writes the fixed files with the one writer of results: a single image whole or not at all, a set
  // in a folder of its own that appears whole. Refused first, nothing written: a target that is a
  // file of the image however spelt, an `output` whose extension names another format, an existing
  // copy unless `replace` (run-time error 58), a set whose sheet names a file outside its folder.
  // The copy is read back before it takes its place; one that does not read back as the fixed disc
  // is dropped, and the refusal names it.
  FixedCopy Write(const std::optional<std::string>& output = {}, bool replace = false) const;

 private:
  struct FixedFile;
  struct Plan;
  Plan Files(const std::optional<std::string>& output) const;
  Plan ChdAsCue(const std::optional<std::string>& output) const;
  // The file of the image TrackFiles names `name` ("" the image itself), open already.
  const ReadOnlyFile& SourceFile(const std::string& name) const;

  std::shared_ptr<OpenedDisc> disc_;
  std::string path_;
  TrackFiles* files_;
  TableOfContents toc_;
  DiscFix fix_;
};

}  // namespace quillet
