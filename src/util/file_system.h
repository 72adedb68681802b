#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>

#include "util/path_rules.h"

// The few file-system services the core needs, implemented once per platform (posix/, win32/).
// Paths are UTF-8. Failures raise RunTimeError with a number and a description a user can act on.
namespace quillet {

// The largest file the system reads: its lengths are signed 32-bit counts.
inline constexpr std::int64_t kMaxFileLength = 2'147'483'647;

// A whole file in memory.
struct FileContents {
  std::unique_ptr<std::byte[]> data;
  std::size_t size = 0;

  std::span<const std::byte> bytes() const { return {data.get(), size}; }
};

// The path style of the platform the program runs on.
PathStyle NativePathStyle();

// True when `path` names an existing file or folder (or, on Windows, a drive root).
bool FileExists(std::string_view path);

// The length in bytes of the file that `path` names; a folder is refused.
std::int64_t FileLength(std::string_view path);

// Reads the regular file that `path` names, whole, with one read into a fresh buffer. A folder, a
// device or pipe, and a file longer than kMaxFileLength are refused before anything is read.
FileContents ReadWholeFile(std::string_view path);

}  // namespace quillet
