#include "cli/run_files.h"

#include <algorithm>
#include <optional>

#include "core/disc_file.h"
#include "util/run_time_error.h"

namespace quillet {
namespace {

bool SameFile(const FileStamp& a, const FileStamp& b) { return a.volume == b.volume && a.file == b.file; }

}  // namespace

OpenedInputs::OpenedInputs(const std::vector<std::string>& paths) : paths_(paths) {
  for (const std::string& path : paths) {
    try {
      discs_.push_back(AsRunTimeError([&] { return OpenedDisc::Open(path); }));
      failures_.emplace_back();
    } catch (const RunTimeError& failure) {
      discs_.emplace_back();
      failures_.emplace_back(failure);
    }
  }
}

std::optional<std::vector<std::string>> OpenedInputs::FilesOf(const std::string& input) const {
  const auto at = static_cast<std::size_t>(std::find(paths_.begin(), paths_.end(), input) - paths_.begin());
  if (at == paths_.size()) return std::nullopt;
  if (discs_[at]) return discs_[at]->FilePaths();
  if (failures_[at] && failures_[at]->number() == error::kInvalidArgument && StampOf(input)) {
    return std::vector<std::string>{input};
  }
  return std::nullopt;
}

std::unique_ptr<OpenedDisc> OpenedInputs::Take(std::size_t index) {
  if (failures_[index]) throw RunTimeError(failures_[index]->number(), RefusalReason(*failures_[index]));
  return std::move(discs_[index]);
}

RunFiles::RunFiles(const std::vector<std::string>& inputs, const DiscFiles& files_of) {
  for (const std::string& input : inputs) {
    if (const std::optional<FileStamp> stamp = StampOf(input)) inputs_.push_back({*stamp, input});
    for (const std::string& file : files_of(input).value_or(std::vector<std::string>())) {
      if (const std::optional<FileStamp> stamp = StampOf(file)) disc_files_.push_back({*stamp, file, input});
    }
  }
}

void RunFiles::RequireFree(const std::string& input, const std::string& output, bool named_by_user) const {
  const std::optional<FileStamp> stamp = StampOf(output);
  if (!stamp) return;
  for (const DiscFile& disc_file : disc_files_) {
    if (!SameFile(*stamp, disc_file.stamp)) continue;
    throw RunTimeError(error::kPathFileAccessError, NeverWrittenOver(output, disc_file.path, disc_file.image));
  }
  for (const auto& [result_stamp, earlier] : results_) {
    if (SameFile(*stamp, result_stamp)) {
      throw RunTimeError(error::kPathFileAccessError,
                         output + " is the result of " + earlier + ", written earlier in this run; nothing written");
    }
  }
  for (const auto& [input_stamp, other] : inputs_) {
    if (SameFile(*stamp, input_stamp) && !(named_by_user && other == input)) {
      throw RunTimeError(error::kPathFileAccessError,
                         "its result " + output + " is " +
                             (other == input ? "the file itself" : "an input of this run, " + other) +
                             "; nothing written");
    }
  }
}

void RunFiles::Written(const std::string& input, const std::string& output) {
  if (const std::optional<FileStamp> stamp = StampOf(output)) results_.push_back({*stamp, input});
}

}  // namespace quillet
