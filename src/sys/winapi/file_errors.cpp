#include "sys/file_errors.h"

#include <windows.h>

#include "sys/winapi/utf16.h"

namespace quillet {

std::string DescribeOsError(unsigned long code) {
  wchar_t* buffer = nullptr;
  const DWORD length =
      FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                     nullptr, code, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
  std::wstring text = length ? std::wstring(buffer, length) : L"Windows error " + std::to_wstring(code);
  LocalFree(buffer);
  // The system's sentences end in a full stop and a line break; ours are embedded in others.
  while (!text.empty() &&
         (text.back() == L'\n' || text.back() == L'\r' || text.back() == L' ' || text.back() == L'.')) {
    text.pop_back();
  }
  return Narrow(text);
}

RunTimeError FileError(unsigned long code) {
  switch (code) {
    case ERROR_FILE_NOT_FOUND: return RunTimeError(error::kFileNotFound);
    case ERROR_PATH_NOT_FOUND:
    case ERROR_BAD_NETPATH:
    case ERROR_INVALID_DRIVE: return RunTimeError(error::kPathNotFound);
    case ERROR_ACCESS_DENIED: return RunTimeError(error::kPermissionDenied);
    case ERROR_INVALID_NAME:
    case ERROR_BAD_PATHNAME: return RunTimeError(error::kBadFileName);
    case ERROR_FILENAME_EXCED_RANGE: return RunTimeError(error::kBadFileName, "Bad file name: the path is too long");
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL: return RunTimeError(error::kDiskFull);
    // Wine and Windows word these "Sharing violation" and the like: the person needs to know what to do.
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
      return RunTimeError(error::kPathFileAccessError,
                          "Path/File access error: another program has the file open; close it and try again");
    case ERROR_NOT_ENOUGH_MEMORY:
    case ERROR_OUTOFMEMORY: return RunTimeError(error::kOutOfMemory);
    default: return RunTimeError(error::kPathFileAccessError, "Path/File access error: " + DescribeOsError(code));
  }
}

}  // namespace quillet
