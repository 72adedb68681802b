#include "sys/file_errors.h"

#include <cerrno>
#include <cstring>

namespace quillet {

std::string DescribeOsError(unsigned long code) { return std::strerror(static_cast<int>(code)); }

RunTimeError FileError(unsigned long code) {
  switch (code) {
    case ENOENT: return RunTimeError(error::kFileNotFound);
    case ENOTDIR: return RunTimeError(error::kPathNotFound);
    case EACCES:
    case EPERM: return RunTimeError(error::kPermissionDenied);
    case ENAMETOOLONG: return RunTimeError(error::kBadFileName, "Bad file name: the path is too long");
    case ENOMEM: return RunTimeError(error::kOutOfMemory);
    case EIO: return RunTimeError(error::kDeviceIoError);
    case EISDIR: return FolderNotFileError();
    case ENOSPC:
    case EDQUOT: return RunTimeError(error::kDiskFull, "Disk full: " + DescribeOsError(code));
    case EFBIG: return RunTimeError(error::kDiskFull, "Disk full: the file is larger than the system allows here");
    default: return RunTimeError(error::kPathFileAccessError, "Path/File access error: " + DescribeOsError(code));
  }
}

}  // namespace quillet
