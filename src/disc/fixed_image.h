#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "disc/boot_rule.h"
#include "disc/disc_fix.h"
#include "disc/file_source.h"
#include "disc/table_of_contents.h"

// A fixed copy of a disc image on disk: the fix planned from the image and its track files, and
// the files written. A CDI or ISO image becomes NAME_fixed.cdi or NAME_fixed.iso beside it; a .gdi's
// or cue sheet's set goes into a folder NAME_fixed beside it, every track file with it; a CHD, which
// is read-only, becomes a cue sheet and a file a track in NAME_fixed. The unchanged bytes are copied
// by the system (a clone where the file system shares blocks), the changed sectors written over them.
namespace quillet {

class ImageFix {
 public:
  // Reads the disc image at `path` and plans its fix. Raises run-time error 5 where it is no disc
  // image, or one that cannot be read, saying why.
  ImageFix(const std::string& path, const FixRequest& request, const BootCodes& codes = {});
  ImageFix(const ImageFix&) = delete;
  ImageFix& operator=(const ImageFix&) = delete;
  ~ImageFix();

  const DiscFix& fix() const { return fix_; }
  bool from_chd() const { return toc_.format == DiscFormat::Chd; }

  // Where the fixed files go, the image or its sheet first: at `output` where it is given, a set's
  // track files beside it.
  std::vector<std::string> Targets(const std::optional<std::string>& output = {}) const;

  // Writes the fixed files whole or not at all: each into a temporary file, all of them replacing
  // their targets only once every one is written; folders made for them go again on a failure. A
  // target that is a file of the image, however spelt, is refused first, nothing written.
  void Write(const std::optional<std::string>& output = {}) const;

 private:
  struct FixedFile;
  std::vector<FixedFile> Files(const std::optional<std::string>& output) const;
  std::vector<FixedFile> ChdAsCue(const std::optional<std::string>& output) const;

  std::string path_;
  FileSource image_;
  std::unique_ptr<TrackFiles> files_;
  TableOfContents toc_;
  DiscFix fix_;
};

}  // namespace quillet
