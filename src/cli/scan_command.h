#pragma once

#include <ostream>
#include <string>
#include <vector>

// quillet scan, its options already read.
namespace quillet {

// One line per file, or one JSON array; returns the exit status.
int RunScan(const std::vector<std::string>& paths, bool json, std::ostream& out, std::ostream& err);

}  // namespace quillet
