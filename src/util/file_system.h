#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <utility>

#include "util/path_rules.h"

// The few file-system services the core needs, implemented once per platform (posix/, win32/).
// Paths are UTF-8. Failures raise RunTimeError with a number and a description a user can act on.
namespace quillet {

// The largest file the system reads: its lengths are signed 32-bit counts.
inline constexpr std::int64_t kMaxFileLength = 2'147'483'647;

// A whole file in memory: a buffer it was read into, or a read-only mapping of it.
class FileContents {
 public:
  FileContents() = default;
  FileContents(std::shared_ptr<const std::byte> storage, std::size_t size)
      : storage_(std::move(storage)), size_(size) {}

  std::span<const std::byte> bytes() const { return {storage_.get(), size_}; }
  std::size_t size() const { return size_; }

 private:
  std::shared_ptr<const std::byte> storage_;
  std::size_t size_ = 0;
};

// The path style of the platform the program runs on.
PathStyle NativePathStyle();

// True when `path` names an existing file or folder (or, on Windows, a drive root).
bool FileExists(std::string_view path);

// True when `path` names a plain file: not a folder, and on Windows not a hidden or system file.
bool IsPlainFile(std::string_view path);

// Deletes the file that `path` names; run-time error 53 when there is none.
void RemoveFile(std::string_view path);

// The length in bytes of the file that `path` names; a folder is refused.
std::int64_t FileLength(std::string_view path);

// Reads the regular file that `path` names, whole, with one read into a fresh buffer. A folder, a
// device or pipe, and a file longer than kMaxFileLength are refused before anything is read.
FileContents ReadWholeFile(std::string_view path);

// As ReadWholeFile, but maps the file instead where the system can: no copy, no fresh memory to
// fault in, so large files are ready several times sooner. The price: on POSIX, a program that
// truncates the file while the mapping is read raises SIGBUS in this process; a program that maps
// files must handle that signal. Windows keeps a mapped file from being truncated.
FileContents MapWholeFile(std::string_view path);

}  // namespace quillet
