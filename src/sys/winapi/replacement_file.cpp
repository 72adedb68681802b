#include "sys/replacement_file.h"

#include <windows.h>

#include <algorithm>
#include <optional>
#include <utility>
#include <vector>

#include "sys/file_errors.h"
#include "sys/winapi/utf16.h"
#include "util/path_rules.h"

namespace quillet {
namespace {

// ReplaceFileW wants whole paths: Wine's refuses a bare file name as an invalid folder.
std::wstring FullPath(const std::wstring& path) {
  std::wstring full(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length = GetFullPathNameW(path.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
    if (length == 0) return path;
    if (length < full.size()) {
      full.resize(length);
      return full;
    }
    full.resize(length);
  }
}

// What replacing `target` puts aside: its attributes, or nothing when there is no such file. A
// folder, and a file its owner made read-only, are refused, as they would be for any program that
// opens them to write.
std::optional<DWORD> ReplaceableTarget(const std::wstring& target) {
  const DWORD attributes = GetFileAttributesW(target.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return std::nullopt;
  if (attributes & FILE_ATTRIBUTE_DIRECTORY) throw FolderNotFileError();
  if (attributes & FILE_ATTRIBUTE_READONLY) throw FileError(ERROR_ACCESS_DENIED);
  return attributes;
}

// Puts the complete file `temporary` in `target`'s place. An existing target is replaced in one
// step that keeps what the user gave it: attributes, security, creation time. A new one simply
// takes the temporary file's place. The attributes are also set by hand, since Wine's ReplaceFileW
// is a plain rename.
void MoveIntoPlace(const std::wstring& temporary, const std::wstring& target, std::optional<DWORD> replaced) {
  if (replaced) {
    static constexpr DWORD kKept =
        FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;
    const DWORD kept = *replaced & kKept;
    SetFileAttributesW(temporary.c_str(), kept != 0 ? kept : FILE_ATTRIBUTE_NORMAL);
  }
  const BOOL moved = replaced ? ReplaceFileW(FullPath(target).c_str(), FullPath(temporary).c_str(), nullptr,
                                             REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr, nullptr)
                              : MoveFileExW(temporary.c_str(), target.c_str(), MOVEFILE_WRITE_THROUGH);
  if (!moved) throw FileError(GetLastError());
}

}  // namespace

struct ReplacementFile::Platform {
  std::wstring target;
  std::string temporary;
  HANDLE file = INVALID_HANDLE_VALUE;
  std::optional<DWORD> replaced;  // the replaced file's attributes
  bool in_place = false;
};

ReplacementFile::ReplacementFile(std::string_view target, Placement placement, std::string_view holding)
    : platform_(std::make_unique<Platform>()) {
  if (target.empty()) throw EmptyPathError();
  platform_->target = Widen(target);
  platform_->in_place = placement == Placement::InPlace;
  // A file of a set is held under a hidden name in `holding` until Close moves it to its place.
  const std::string beside =
      platform_->in_place ? PathIn(std::string(holding), FileTitle(target, PathStyle::Windows), PathStyle::Windows)
                          : std::string(target);
  if (!platform_->in_place) platform_->replaced = ReplaceableTarget(platform_->target);
  for (int attempt = 0; platform_->file == INVALID_HANDLE_VALUE; ++attempt) {
    platform_->temporary = NewTemporaryNameFor(beside);
    platform_->file = CreateFileW(Widen(platform_->temporary).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
    if (platform_->file == INVALID_HANDLE_VALUE) {
      const DWORD code = GetLastError();
      if (code != ERROR_FILE_EXISTS || attempt == 100) {
        platform_->temporary.clear();
        throw FileError(code);
      }
    }
  }
}

ReplacementFile::~ReplacementFile() {
  if (platform_->file != INVALID_HANDLE_VALUE) CloseHandle(platform_->file);
  if (!platform_->temporary.empty()) DeleteFileW(Widen(platform_->temporary).c_str());
}

void ReplacementFile::Write(std::span<const std::byte> bytes) {
  while (!bytes.empty()) {
    DWORD written = 0;
    const auto size = static_cast<DWORD>(std::min<std::size_t>(bytes.size(), 1u << 30));
    if (!WriteFile(platform_->file, bytes.data(), size, &written, nullptr)) throw FileError(GetLastError());
    bytes = bytes.subspan(written);
  }
}

void ReplacementFile::CopyFrom(const ReadOnlyFile& source) {
  std::vector<std::byte> buffer(std::size_t{4} << 20);
  for (std::uint64_t copied = 0; copied < source.size(); copied += buffer.size()) {
    buffer.resize(static_cast<std::size_t>(std::min<std::uint64_t>(buffer.size(), source.size() - copied)));
    source.ReadAt(copied, buffer);
    WriteAt(copied, buffer);
  }
}

void ReplacementFile::WriteAt(std::uint64_t offset, std::span<const std::byte> bytes) {
  while (!bytes.empty()) {
    OVERLAPPED at{};
    at.Offset = static_cast<DWORD>(offset);
    at.OffsetHigh = static_cast<DWORD>(offset >> 32);
    DWORD written = 0;
    const auto size = static_cast<DWORD>(std::min<std::size_t>(bytes.size(), 1u << 30));
    if (!WriteFile(platform_->file, bytes.data(), size, &written, &at)) throw FileError(GetLastError());
    bytes = bytes.subspan(written);
    offset += written;
  }
}

// A Windows file has no permissions of its own to carry: it takes those of its folder.
void ReplacementFile::TakeModeOf(const ReadOnlyFile&) {}

void ReplacementFile::Sync() {
  if (platform_->file != INVALID_HANDLE_VALUE && !FlushFileBuffers(platform_->file)) throw FileError(GetLastError());
}

void ReplacementFile::Close() {
  if (platform_->file == INVALID_HANDLE_VALUE) return;
  Sync();
  HANDLE file = std::exchange(platform_->file, INVALID_HANDLE_VALUE);
  if (!CloseHandle(file)) throw FileError(GetLastError());
  if (platform_->in_place) {
    if (!MoveFileExW(Widen(platform_->temporary).c_str(), platform_->target.c_str(), MOVEFILE_WRITE_THROUGH)) {
      throw FileError(GetLastError());
    }
    platform_->temporary = Narrow(platform_->target);
  }
}

void ReplacementFile::Commit() {
  Close();
  if (platform_->in_place) {
    platform_->temporary.clear();
    return;
  }
  MoveIntoPlace(Widen(platform_->temporary), platform_->target, platform_->replaced);
  platform_->temporary.clear();
}

void MoveOver(std::string_view from, std::string_view target) {
  if (target.empty()) throw EmptyPathError();
  const std::wstring wide_target = Widen(target);
  MoveIntoPlace(Widen(from), wide_target, ReplaceableTarget(wide_target));
}

const std::string& ReplacementFile::temporary_path() const { return platform_->temporary; }

}  // namespace quillet
