#pragma once

#include <string>

#include "util/run_time_error.h"

// The run-time errors of file access, worded once for every platform.
namespace quillet {

// The operating system's own sentence for an error code (errno on POSIX, GetLastError on Windows).
std::string DescribeOsError(unsigned long code);

// What a failed file operation amounts to: file not found, path not found, permission denied,
// and otherwise a path/file access error in the system's own words. Per platform.
RunTimeError FileError(unsigned long code);

RunTimeError EmptyPathError();
RunTimeError FolderNotFileError();
RunTimeError NotRegularFileError();
RunTimeError FileTooLargeError();
RunTimeError ReadFailedError(const std::string& reason);
RunTimeError TruncatedWhileReadError();

}  // namespace quillet
