#pragma once

#include <cstddef>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "core/disc_file.h"
#include "sys/file_system.h"
#include "util/run_time_error.h"

// The files of one run of a command that writes results: no result may replace another result of
// the run, or one of its inputs (which a later file would then read as its own), or any file of a
// disc image among them.
namespace quillet {

class RunFiles {
 public:
  // The files of each input's disc image: those `files_of` gives (DiscFilesAt, which opens each, or
  // the images a run opened already).
  using DiscFiles = std::function<std::optional<std::vector<std::string>>(const std::string& input)>;
  explicit RunFiles(const std::vector<std::string>& inputs, const DiscFiles& files_of = DiscFilesAt);

  // Raises unless `output` is free for `input`'s result; an OUT the user named may be the input,
  // unless that is a disc image.
  void RequireFree(const std::string& input, const std::string& output, bool named_by_user) const;
  void Written(const std::string& input, const std::string& output);

 private:
  // A file of a disc image: the image itself, or a track file its .gdi or cue sheet names.
  struct DiscFile {
    FileStamp stamp;
    std::string path, image;
  };

  std::vector<std::pair<FileStamp, std::string>> inputs_;
  std::vector<DiscFile> disc_files_;
  std::vector<std::pair<FileStamp, std::string>> results_;  // and the input each was made from
};

// A run's inputs, each opened as a disc image once, before any is worked on: what its files are
// (which no result may replace) and then its work take the same open image. An input that is no disc
// image has none; one that cannot be opened keeps why, said when its turn comes.
class OpenedInputs {
 public:
  explicit OpenedInputs(const std::vector<std::string>& paths);

  // The files of `input`'s disc image, as RunFiles takes them: a disc image of a format Quillet does
  // not read is a file of its own still; nothing for another input.
  std::optional<std::vector<std::string>> FilesOf(const std::string& input) const;
  // Input `index`'s disc image, for its work (nothing where it is none); raises, with its reason
  // alone, why one could not be opened.
  std::unique_ptr<OpenedDisc> Take(std::size_t index);

 private:
  std::vector<std::string> paths_;
  std::vector<std::unique_ptr<OpenedDisc>> discs_;
  std::vector<std::optional<RunTimeError>> failures_;
};

}  // namespace quillet
