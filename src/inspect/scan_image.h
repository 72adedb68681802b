#pragma once

#include <string_view>

#include "util/file_system.h"

namespace quillet {

// The complete contents of one file, in file order, held in memory at once.
using ScanImage = FileContents;

// Reads the file that `path` names (a full path, or a name relative to the current folder) whole.
// Raises RunTimeError (53 file not found, 70 permission denied, 75 a folder...) and produces no
// image when the file cannot be found, opened or read.
ScanImage ReadScanImage(std::string_view path);

// The same image, mapped where the system can (see MapWholeFile): for a command line, whose process
// can handle the signal a concurrently truncated file raises.
ScanImage MapScanImage(std::string_view path);

}  // namespace quillet
