#include "sys/file_errors.h"

namespace quillet {

RunTimeError EmptyPathError() { return RunTimeError(error::kBadFileName, "Bad file name: the path is empty"); }

RunTimeError FolderNotFileError() {
  return RunTimeError(error::kPathFileAccessError, "Path/File access error: the path names a folder, not a file");
}

RunTimeError NotRegularFileError() {
  return RunTimeError(error::kPathFileAccessError,
                      "Path/File access error: the path names a device or pipe, not a file");
}

RunTimeError FileTooLargeError() {
  return RunTimeError(error::kOverflow, "Overflow: the file is larger than 2,147,483,647 bytes");
}

RunTimeError ReadFailedError(const std::string& reason) {
  return RunTimeError(error::kDeviceIoError, "Device I/O error: the file could not be read (" + reason + ")");
}

RunTimeError TruncatedWhileReadError() {
  return ReadFailedError("another program truncated it while it was being read");
}

}  // namespace quillet
