#include "sys/result_writer.h"

#include <algorithm>
#include <optional>
#include <utility>

#include "sys/file_errors.h"
#include "sys/file_system.h"
#include "sys/interrupt_cleanup.h"
#include "util/path_rules.h"
#include "util/text_rules.h"

namespace quillet {
namespace {

// Removes the folder `path` and everything in it, links as links; what will not go is left.
void RemoveTree(const std::string& path) {
  const PathStyle style = NativePathStyle();
  for (const FolderEntry& entry : FolderEntries(path)) {
    const std::string inside = PathIn(path, entry.name, style);
    if (entry.folder) {
      RemoveTree(inside);
    } else {
      RemoveFile(inside);
    }
  }
  RemoveFolder(path);
}

// The files under `folder`, links and all, by their paths inside it ("tracks/x.bin").
void FilesUnder(const std::string& folder, const std::string& prefix, std::vector<std::string>& files) {
  const PathStyle style = NativePathStyle();
  for (const FolderEntry& entry : FolderEntries(folder)) {
    const std::string name = prefix.empty() ? entry.name : prefix + "/" + entry.name;
    if (entry.folder) {
      FilesUnder(PathIn(folder, entry.name, style), name, files);
    } else {
      files.push_back(name);
    }
  }
}

// `name`, a path inside a set's folder with "/" between its parts, in the platform's style.
std::string NativeInside(std::string name) {
  if (NativePathStyle() == PathStyle::Windows) std::replace(name.begin(), name.end(), '/', '\\');
  return name;
}

// Removes the folders `made` (innermost first) where they are still empty, and forgets them.
void RemoveMadeFolders(const std::vector<std::string>& made) {
  for (auto folder = made.rbegin(); folder != made.rend(); ++folder) {
    try {
      RemoveFolder(*folder);
    } catch (const RunTimeError&) {
      // A folder something else put a file in stays.
    }
    ForgetOnInterrupt(*folder);
  }
}

// Makes the folders of a set's file `path` that are not there, up to the set's own, the outermost
// first, each marked for removal by a signal; returns those it made.
std::vector<std::string> MakeFoldersAbove(const std::string& path) {
  const PathStyle style = NativePathStyle();
  std::vector<std::string> missing;
  for (std::optional<std::string> folder = ContainingFolder(path, style);
       folder && !folder->empty() && !FileExists(*folder); folder = ContainingFolder(*folder, style)) {
    missing.push_back(*folder);
  }
  std::vector<std::string> made;
  try {
    for (auto folder = missing.rbegin(); folder != missing.rend(); ++folder) {
      const SignalsHeld held;
      if (MakeFolder(*folder)) {
        RemoveOnInterrupt(*folder);
        made.push_back(*folder);
      }
    }
  } catch (const RunTimeError&) {
    RemoveMadeFolders(made);
    throw;
  }
  return made;
}

bool IsLeftoverName(std::string_view name, std::string_view title) {
  // TemporaryNameFor's: ".TITLE.RANDOM.tmp", and what an exchange of folders puts aside.
  if (name.ends_with(".aside")) name.remove_suffix(std::string_view(".aside").size());
  constexpr std::size_t kRandom = 8;
  const std::string_view suffix = ".tmp";
  if (!name.starts_with('.') || !name.ends_with(suffix)) return false;
  name = name.substr(1, name.size() - 1 - suffix.size());
  if (name.size() < kRandom + 1 || name[name.size() - kRandom - 1] != '.') return false;
  const std::string_view kept = name.substr(0, name.size() - kRandom - 1);
  return !kept.empty() && title.starts_with(kept);
}

}  // namespace

// A set's hidden folder, made once every file is complete, and what was made in it.
struct ResultWriter::SetFolder {
  std::string temporary;
  bool made = false;
  std::vector<std::string> made_inside;  // folders inside the hidden one, outermost first
  bool target_exists = false;
};

ResultExists::ResultExists(std::string path, std::string foreign)
    : RunTimeError(error::kFileAlreadyExists,
                   "File already exists: " + ShownPath(path) +
                       (foreign.empty() ? std::string()
                                        : " holds " + ShownPath(foreign) + ", which the new set does not write")),
      path_(std::move(path)),
      foreign_(std::move(foreign)) {}

ResultWriter::ResultWriter(std::string target, bool replace)
    : target_(std::move(target)), shape_(Shape::File), replace_(replace) {
  if (target_.empty()) throw EmptyPathError();
  Writing({}, [&] {
    if (IsFolder(target_)) throw FolderNotFileError();
    if (!replace_ && FileExists(target_)) throw ResultExists(target_);
  });
}

ResultWriter::ResultWriter(std::string target, std::vector<std::string> names, bool replace)
    : target_(std::move(target)), shape_(Shape::Set), replace_(replace), names_(std::move(names)) {
  if (target_.empty()) throw EmptyPathError();
  folder_ = std::make_unique<SetFolder>();
  Writing({}, [&] {
    const bool folder = IsFolder(target_);
    if (FileExists(target_) && !folder) {
      throw RunTimeError(error::kPathFileAccessError,
                         "Path/File access error: it is a file, where the set's folder goes");
    }
    folder_->target_exists = folder && !FolderEntries(target_).empty();
    if (folder_->target_exists) {
      if (const std::optional<std::string> foreign = ForeignFile()) throw ResultExists(target_, *foreign);
      if (!replace_) throw ResultExists(target_);
    }
  });
  folder_->temporary = NewTemporaryNameFor(target_);
}

std::optional<std::string> ResultWriter::ForeignFile() const {
  std::vector<std::string> files;
  FilesUnder(target_, "", files);
  std::sort(files.begin(), files.end());
  for (const std::string& file : files) {
    if (std::find(names_.begin(), names_.end(), file) == names_.end()) return NativeInside(file);
  }
  return std::nullopt;
}

ResultWriter::~ResultWriter() {
  std::vector<std::string> written;
  if (shape_ == Shape::Set) {
    for (const auto& [name, file] : files_) written.push_back(WrittenPath(name));
  }
  files_.clear();  // each file not committed goes with its writer
  if (!folder_ || !folder_->made) return;
  try {
    RemoveTree(folder_->temporary);
  } catch (const RunTimeError&) {
    // What will not go is named by the next run that writes this target.
  }
  for (const std::string& path : written) ForgetOnInterrupt(path);
  for (const std::string& folder : folder_->made_inside) ForgetOnInterrupt(folder);
  ForgetOnInterrupt(folder_->temporary);
}

std::string ResultWriter::WrittenPath(const std::string& name) const {
  if (shape_ == Shape::File) {
    const auto found = std::find_if(files_.begin(), files_.end(), [](const auto& file) { return file.first.empty(); });
    return found == files_.end() ? std::string() : found->second->temporary_path();
  }
  return PathIn(folder_->temporary, NativeInside(name), NativePathStyle());
}

std::string ResultWriter::FinalPath(const std::string& name) const {
  return shape_ == Shape::File || name.empty() ? target_ : PathIn(target_, NativeInside(name), NativePathStyle());
}

ReplacementFile& ResultWriter::Begin(const std::string& name) {
  return Writing(name, [&]() -> ReplacementFile& {
    if (shape_ == Shape::File) {
      files_.emplace_back("", std::make_unique<ReplacementFile>(target_));
      return *files_.back().second;
    }
    if (std::find(names_.begin(), names_.end(), name) == names_.end()) {
      throw RunTimeError(error::kInternalError, "Internal error: " + name + " is no file of the set");
    }
    files_.emplace_back(name,
                        std::make_unique<ReplacementFile>(WrittenPath(name), ReplacementFile::Placement::InPlace,
                                                          ContainingFolder(target_, NativePathStyle()).value_or(".")));
    return *files_.back().second;
  });
}

void ResultWriter::Close() {
  if (shape_ == Shape::Set && !folder_->made) {
    // Every file on disk before any has a name: a kill until then leaves nothing.
    for (const auto& entry : files_) Writing(entry.first, [&] { entry.second->Sync(); });
    Writing({}, [&] {
      for (int attempt = 0; !folder_->made; ++attempt) {
        const SignalsHeld held;  // no signal between the folder's making and its marking
        if (MakeFolder(folder_->temporary)) {
          RemoveOnInterrupt(folder_->temporary);
          folder_->made = true;
        } else if (attempt == 100) {
          throw RunTimeError(error::kPathFileAccessError);
        } else {
          folder_->temporary = NewTemporaryNameFor(target_);
        }
      }
    });
    for (const auto& entry : files_) {
      Writing(entry.first, [&] {
        for (const std::string& made : MakeFoldersAbove(WrittenPath(entry.first))) {
          folder_->made_inside.push_back(made);
        }
      });
    }
  }
  for (const auto& entry : files_) Writing(entry.first, [&] { entry.second->Close(); });
}

void ResultWriter::Commit() {
  Close();
  for (const auto& entry : files_) Writing(entry.first, [&] { entry.second->Commit(); });
  if (shape_ == Shape::File) return;
  Writing({}, [&] {
    // A folder is replaced only where it holds nothing the new set does not write, now as before.
    if (folder_->target_exists) {
      if (const std::optional<std::string> foreign = ForeignFile()) throw ResultExists(target_, *foreign);
    }
    {
      const SignalsHeld held;
      if (folder_->target_exists) {
        ExchangeFolders(folder_->temporary, target_);
      } else {
        MoveFolder(folder_->temporary, target_);
      }
      for (const auto& [name, file] : files_) ForgetOnInterrupt(WrittenPath(name));
      for (const std::string& folder : folder_->made_inside) ForgetOnInterrupt(folder);
      ForgetOnInterrupt(folder_->temporary);
    }
    // Its files' names, then its own, forced to disk: those in the folder and the folder's name
    // were written in this order, which the file systems keep, so that the set is never there in
    // part, and a kill after its files were forced to disk (and before it had a name) leaves nothing.
    const std::string old = std::exchange(folder_->temporary, {});
    for (auto made = folder_->made_inside.rbegin(); made != folder_->made_inside.rend(); ++made) {
      SyncFolder(PathIn(target_, made->substr(old.size() + 1), NativePathStyle()));
    }
    files_.clear();
    folder_.reset();
    SyncFolder(target_);
    SyncFolder(ContainingFolder(target_, NativePathStyle()).value_or("."));
    if (!old.empty() && FileExists(old)) {
      try {
        RemoveTree(old);  // the result it replaced
      } catch (const RunTimeError&) {
        // The new set is in place; what is left of the old one the next run names.
      }
    }
  });
}

std::vector<std::string> LeftoversOf(const std::string& target) {
  const PathStyle style = NativePathStyle();
  const std::string folder = ContainingFolder(target, style).value_or(".");
  const std::string_view title = FileTitle(target, style);
  std::vector<std::string> leftovers;
  std::vector<FolderEntry> entries;
  try {
    entries = FolderEntries(folder.empty() ? std::string(1, style == PathStyle::Windows ? '\\' : '/') : folder);
  } catch (const RunTimeError&) {
    return leftovers;  // a folder that cannot be listed: writing there says why
  }
  for (const FolderEntry& entry : entries) {
    if (!IsLeftoverName(entry.name, title)) continue;
    const std::string path = PathIn(ContainingFolder(target, style), entry.name, style);
    std::string size = "a folder";
    if (!entry.folder) {
      try {
        size = SizeWords(static_cast<std::uint64_t>(FileLength(path)));
      } catch (const RunTimeError&) {
        continue;  // gone meanwhile
      }
    }
    leftovers.push_back(ShownPath(path) + " (" + size + ") is left from an earlier run that was stopped: remove it");
  }
  std::sort(leftovers.begin(), leftovers.end());
  return leftovers;
}

}  // namespace quillet
