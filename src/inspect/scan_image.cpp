#include "inspect/scan_image.h"

namespace quillet {

ScanImage ReadScanImage(std::string_view path) { return ReadWholeFile(path); }

ScanImage MapScanImage(std::string_view path) { return MapWholeFile(path); }

}  // namespace quillet
