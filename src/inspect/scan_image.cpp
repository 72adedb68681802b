#include "inspect/scan_image.h"

namespace quillet {

ScanImage ReadScanImage(std::string_view path) { return ReadWholeFile(path); }

}  // namespace quillet
