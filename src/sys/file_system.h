#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "util/path_rules.h"
#include "util/run_time_error.h"

// The few file-system services the core needs, implemented once per platform (posix/, winapi/).
// Paths are UTF-8. Failures raise RunTimeError with a number and a description a user can act on.
namespace quillet {

// The largest file the system reads: its lengths are signed 32-bit counts.
inline constexpr std::int64_t kMaxFileLength = 2'147'483'647;

// A whole file in memory: a buffer it was read into, or a read-only mapping of it.
class FileContents {
 public:
  FileContents() = default;
  FileContents(std::shared_ptr<const std::byte> storage, std::size_t size,
               std::shared_ptr<const std::atomic<bool>> truncated = nullptr)
      : storage_(std::move(storage)), size_(size), truncated_(std::move(truncated)) {}

  std::span<const std::byte> bytes() const { return {storage_.get(), size_}; }
  std::size_t size() const { return size_; }

  // Raises run-time error 57 when another program truncated a mapped file while it was read: the
  // bytes past its new end then read as zeros, and whatever was made of them must be discarded.
  // Call it after the bytes were used.
  void RequireWhole() const;

 private:
  std::shared_ptr<const std::byte> storage_;
  std::size_t size_ = 0;
  std::shared_ptr<const std::atomic<bool>> truncated_;
};

// Runs `use`, which reads `contents`, then RequireWhole: where another program truncated the file
// meanwhile, run-time error 57 takes the place of whatever `use` made of the zeros it read, or
// raised about them.
template <typename Use>
void UsingWhole(const FileContents& contents, Use use) {
  try {
    use();
  } catch (const RunTimeError&) {
    contents.RequireWhole();
    throw;
  }
  contents.RequireWhole();
}

// Fills `buffer` through successive calls of `read_some`, which returns how many bytes it read (0
// at the end of the file). A file that ends before the buffer is full shrank while it was read:
// run-time error 57, rather than a shorter file passed off as the whole.
void ReadFully(std::span<std::byte> buffer, const std::function<std::size_t(std::span<std::byte>)>& read_some);

// The path style of the platform the program runs on.
PathStyle NativePathStyle();

// True when `path` names an existing file or folder (or, on Windows, a drive root).
bool FileExists(std::string_view path);

// True when `path` names a plain file: not a folder, and on Windows not a hidden or system file.
bool IsPlainFile(std::string_view path);

// What tells one state of a file from another: which file it is, its size, its last change.
struct FileStamp {
  std::uint64_t volume = 0;
  std::uint64_t file = 0;
  std::int64_t size = 0;
  std::int64_t modified = 0;  // in the system's own ticks
  bool operator==(const FileStamp&) const = default;
};

// The stamp of the file that `path` names; nothing when there is none or it cannot be looked at.
std::optional<FileStamp> StampOf(std::string_view path);

// Deletes the file that `path` names; run-time error 53 when there is none.
void RemoveFile(std::string_view path);

// Makes the folder `path` names, where there is none; one that is there already is left as it is.
// True where it was made.
bool MakeFolder(std::string_view path);
// Removes the empty folder `path` names.
void RemoveFolder(std::string_view path);
// True when `path` names a folder (a link to one counts).
bool IsFolder(std::string_view path);
// What a folder holds, without "." and "..", in no set order: each name, and whether it is a folder
// itself (a link to one is not).
struct FolderEntry {
  std::string name;
  bool folder = false;
};
std::vector<FolderEntry> FolderEntries(std::string_view path);
// Forces the folder's entries (the names made, renamed or removed in it) to disk; nothing on Windows,
// which keeps them with the files.
void SyncFolder(std::string_view path);
// Renames the folder `from` to `to`, in the same folder, in one step: `to` must not be there, or be an
// empty folder.
void MoveFolder(std::string_view from, std::string_view to);
// Gives the folders `a` and `b` each other's names: at once where the file system can (Linux), else
// through a third name beside them, from which a failure puts each back.
void ExchangeFolders(std::string_view a, std::string_view b);

// The running program's own path.
std::string ProgramPath();

// The folders of the PATH, in order.
std::vector<std::string> SearchPathFolders();

// The length in bytes of the file that `path` names; a folder is refused.
std::int64_t FileLength(std::string_view path);

// Reads the regular file that `path` names, whole, with one read into a fresh buffer. A folder, a
// device or pipe, and a file longer than kMaxFileLength are refused before anything is read.
FileContents ReadWholeFile(std::string_view path);

// A regular file opened for reading at any offset, never whole: a disc image, or one of its track
// files, of any length. Opening refuses what ReadWholeFile refuses, but for the length.
class ReadOnlyFile {
 public:
  explicit ReadOnlyFile(std::string_view path);
  ReadOnlyFile(ReadOnlyFile&& other) noexcept;
  ReadOnlyFile(const ReadOnlyFile&) = delete;
  ReadOnlyFile& operator=(const ReadOnlyFile&) = delete;
  ~ReadOnlyFile();

  // The length the file had when it was opened.
  std::uint64_t size() const { return size_; }
  // Fills `into` from `offset`, which the caller keeps inside size(). A file that ends sooner
  // shrank while it was read: run-time error 57.
  void ReadAt(std::uint64_t offset, std::span<std::byte> into) const;
  // The descriptor, or the Windows HANDLE, for a copy the system makes.
  std::intptr_t handle() const { return handle_; }

 private:
  std::intptr_t handle_;  // a descriptor, or a Windows HANDLE
  std::uint64_t size_ = 0;
};

// As ReadWholeFile, but maps the file instead where the system can: no copy, no fresh memory to
// fault in, so large files are ready several times sooner. Another program may truncate the file
// while the mapping is read: check RequireWhole once the bytes were used.
FileContents MapWholeFile(std::string_view path);

}  // namespace quillet
