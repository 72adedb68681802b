#include "sys/file_system.h"

#include <windows.h>

#include <algorithm>
#include <cstdlib>
#include <new>
#include <utility>
#include <vector>

#include "sys/file_errors.h"
#include "sys/winapi/utf16.h"

namespace quillet {
namespace {

// Closes a handle on every way out.
class Handle {
 public:
  explicit Handle(HANDLE handle) : handle_(handle) {}
  Handle(const Handle&) = delete;
  Handle& operator=(const Handle&) = delete;
  ~Handle() {
    if (handle_ != INVALID_HANDLE_VALUE) CloseHandle(handle_);
  }
  HANDLE get() const { return handle_; }
  HANDLE release() { return std::exchange(handle_, INVALID_HANDLE_VALUE); }

 private:
  HANDLE handle_;
};

std::wstring WidePath(std::string_view path) {
  if (path.empty()) throw EmptyPathError();
  if (path.find('\0') != std::string_view::npos) throw RunTimeError(error::kBadFileName);
  return Widen(path);
}

// A folder cannot be opened as a file at all, so it is told apart first, with a clear error.
void RequireNotFolder(const std::wstring& path) {
  const DWORD attributes = GetFileAttributesW(path.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) throw FolderNotFileError();
}

}  // namespace

PathStyle NativePathStyle() { return PathStyle::Windows; }

bool FileExists(std::string_view path) {
  return WindowsFileExists(
      path,
      [] {
        wchar_t roots[64];
        const DWORD length = GetLogicalDriveStringsW(64, roots);
        return length > 0 && length < 64 ? Narrow(std::wstring_view(roots, length)) : std::string();
      },
      [](std::string_view entry) {
        if (entry.find('\0') != std::string_view::npos) return false;
        WIN32_FIND_DATAW found;
        HANDLE search = FindFirstFileW(Widen(entry).c_str(), &found);
        if (search == INVALID_HANDLE_VALUE) return false;
        FindClose(search);
        return true;
      });
}

bool IsPlainFile(std::string_view path) {
  if (path.empty() || path.find('\0') != std::string_view::npos) return false;
  const DWORD attributes = GetFileAttributesW(Widen(path).c_str());
  return attributes != INVALID_FILE_ATTRIBUTES &&
         (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM)) == 0;
}

std::optional<FileStamp> StampOf(std::string_view path) {
  if (path.empty() || path.find('\0') != std::string_view::npos) return std::nullopt;
  // Attributes only: no sharing conflict with whoever has the file open.
  Handle file(CreateFileW(Widen(path).c_str(), FILE_READ_ATTRIBUTES,
                          FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                          FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  BY_HANDLE_FILE_INFORMATION information;
  if (file.get() == INVALID_HANDLE_VALUE || !GetFileInformationByHandle(file.get(), &information)) return std::nullopt;
  const auto join = [](DWORD high, DWORD low) { return static_cast<std::uint64_t>(high) << 32 | low; };
  return FileStamp{information.dwVolumeSerialNumber, join(information.nFileIndexHigh, information.nFileIndexLow),
                   static_cast<std::int64_t>(join(information.nFileSizeHigh, information.nFileSizeLow)),
                   static_cast<std::int64_t>(
                       join(information.ftLastWriteTime.dwHighDateTime, information.ftLastWriteTime.dwLowDateTime))};
}

void RemoveFile(std::string_view path) {
  if (!DeleteFileW(WidePath(path).c_str())) throw FileError(GetLastError());
}

bool MakeFolder(std::string_view path) {
  if (CreateDirectoryW(WidePath(path).c_str(), nullptr)) return true;
  const DWORD code = GetLastError();
  const DWORD attributes = GetFileAttributesW(WidePath(path).c_str());
  if (code == ERROR_ALREADY_EXISTS && attributes != INVALID_FILE_ATTRIBUTES &&
      (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
    return false;
  }
  throw FileError(code);
}

void RemoveFolder(std::string_view path) {
  if (!RemoveDirectoryW(WidePath(path).c_str())) throw FileError(GetLastError());
}

bool IsFolder(std::string_view path) {
  if (path.empty() || path.find('\0') != std::string_view::npos) return false;
  const DWORD attributes = GetFileAttributesW(Widen(path).c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

std::vector<FolderEntry> FolderEntries(std::string_view path) {
  WIN32_FIND_DATAW found;
  const HANDLE search = FindFirstFileW((WidePath(path) + L"\\*").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) throw FileError(GetLastError());
  std::vector<FolderEntry> names;
  do {
    const std::wstring_view name = found.cFileName;
    // A junction or a link to a folder is a reparse point: not a folder of this one's own.
    const bool folder =
        (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && !(found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT);
    if (name != L"." && name != L"..") names.push_back({Narrow(name), folder});
  } while (FindNextFileW(search, &found));
  const DWORD code = GetLastError();
  FindClose(search);
  if (code != ERROR_NO_MORE_FILES) throw FileError(code);
  return names;
}

void SyncFolder(std::string_view) {}

void MoveFolder(std::string_view from, std::string_view to) {
  const std::wstring target = WidePath(to);
  // A folder cannot be renamed over another, even an empty one: that one goes first.
  if (IsFolder(to) && !RemoveDirectoryW(target.c_str())) throw FileError(GetLastError());
  if (!MoveFileExW(WidePath(from).c_str(), target.c_str(), 0)) throw FileError(GetLastError());
}

void ExchangeFolders(std::string_view a, std::string_view b) {
  const std::wstring first = WidePath(a), second = WidePath(b), aside = first + L".aside";
  if (!MoveFileExW(first.c_str(), aside.c_str(), 0)) throw FileError(GetLastError());
  if (!MoveFileExW(second.c_str(), first.c_str(), 0)) {
    const DWORD code = GetLastError();
    MoveFileExW(aside.c_str(), first.c_str(), 0);
    throw FileError(code);
  }
  if (!MoveFileExW(aside.c_str(), second.c_str(), 0)) throw FileError(GetLastError());
}

std::string ProgramPath() {
  std::vector<wchar_t> path(MAX_PATH);
  DWORD length = 0;
  while ((length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()))) >= path.size()) {
    path.resize(path.size() * 2);
  }
  return Narrow(std::wstring_view(path.data(), length));
}

std::vector<std::string> SearchPathFolders() {
  std::vector<std::string> folders;
  const wchar_t* path = _wgetenv(L"PATH");
  std::wstring_view rest = path ? path : L"";
  while (!rest.empty()) {
    const std::size_t semicolon = rest.find(L';');
    if (semicolon != 0) folders.push_back(Narrow(rest.substr(0, semicolon)));
    if (semicolon == std::wstring_view::npos) break;
    rest.remove_prefix(semicolon + 1);
  }
  return folders;
}

std::int64_t FileLength(std::string_view path) {
  const std::wstring wide = WidePath(path);
  RequireNotFolder(wide);
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!GetFileAttributesExW(wide.c_str(), GetFileExInfoStandard, &data)) throw FileError(GetLastError());
  return static_cast<std::int64_t>(static_cast<std::uint64_t>(data.nFileSizeHigh) << 32 | data.nFileSizeLow);
}

FileContents ReadWholeFile(std::string_view path) {
  const std::wstring wide = WidePath(path);
  RequireNotFolder(wide);
  // Others may go on reading, writing or renaming the file meanwhile, as the user's tools expect.
  Handle file(CreateFileW(wide.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                          OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
  if (file.get() == INVALID_HANDLE_VALUE) throw FileError(GetLastError());
  if (GetFileType(file.get()) != FILE_TYPE_DISK) throw NotRegularFileError();
  LARGE_INTEGER size;
  if (!GetFileSizeEx(file.get(), &size)) throw FileError(GetLastError());
  if (size.QuadPart > kMaxFileLength) throw FileTooLargeError();

  const auto length = static_cast<std::size_t>(size.QuadPart);
  std::shared_ptr<std::byte[]> buffer(new (std::nothrow) std::byte[length]);
  if (!buffer) throw RunTimeError(error::kOutOfMemory);
  ReadFully({buffer.get(), length}, [&](std::span<std::byte> rest) {
    DWORD got = 0;
    const auto asked = static_cast<DWORD>(std::min<std::size_t>(rest.size(), 1u << 30));
    if (!ReadFile(file.get(), rest.data(), asked, &got, nullptr))
      throw ReadFailedError(DescribeOsError(GetLastError()));
    return static_cast<std::size_t>(got);
  });
  const std::byte* start = buffer.get();
  return FileContents(std::shared_ptr<const std::byte>(std::move(buffer), start), length);
}

ReadOnlyFile::ReadOnlyFile(std::string_view path) {
  const std::wstring wide = WidePath(path);
  RequireNotFolder(wide);
  // As for a whole read: others may go on using the file meanwhile.
  HANDLE file = CreateFileW(wide.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_RANDOM_ACCESS, nullptr);
  if (file == INVALID_HANDLE_VALUE) throw FileError(GetLastError());
  Handle owner(file);
  if (GetFileType(file) != FILE_TYPE_DISK) throw NotRegularFileError();
  LARGE_INTEGER size;
  if (!GetFileSizeEx(file, &size)) throw FileError(GetLastError());
  size_ = static_cast<std::uint64_t>(size.QuadPart);
  handle_ = reinterpret_cast<std::intptr_t>(owner.release());
}

ReadOnlyFile::ReadOnlyFile(ReadOnlyFile&& other) noexcept
    : handle_(std::exchange(other.handle_, reinterpret_cast<std::intptr_t>(INVALID_HANDLE_VALUE))),
      size_(other.size_) {}

ReadOnlyFile::~ReadOnlyFile() {
  if (reinterpret_cast<HANDLE>(handle_) != INVALID_HANDLE_VALUE) CloseHandle(reinterpret_cast<HANDLE>(handle_));
}

void ReadOnlyFile::ReadAt(std::uint64_t offset, std::span<std::byte> into) const {
  ReadFully(into, [&](std::span<std::byte> rest) {
    const std::uint64_t at = offset + (into.size() - rest.size());
    OVERLAPPED where{};
    where.Offset = static_cast<DWORD>(at);
    where.OffsetHigh = static_cast<DWORD>(at >> 32);
    DWORD got = 0;
    const auto asked = static_cast<DWORD>(std::min<std::size_t>(rest.size(), 1u << 30));
    if (!ReadFile(reinterpret_cast<HANDLE>(handle_), rest.data(), asked, &got, &where)) {
      const DWORD code = GetLastError();
      if (code == ERROR_HANDLE_EOF) return std::size_t{0};
      throw ReadFailedError(DescribeOsError(code));
    }
    return static_cast<std::size_t>(got);
  });
}

// Reading is fast enough here, and a mapping would keep the file from being truncated or replaced
// by the user's other tools for as long as it lives.
FileContents MapWholeFile(std::string_view path) { return ReadWholeFile(path); }

}  // namespace quillet
