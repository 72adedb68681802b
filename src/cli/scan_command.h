#pragma once

#include <ostream>
#include <string>
#include <vector>

// quillet scan and quillet check, their options already read.
namespace quillet {

// One line per file, or one JSON array; returns the exit status.
int RunScan(const std::vector<std::string>& paths, bool json, std::ostream& out, std::ostream& err);

// For each disc image, a line per check of whether its disc starts its boot file, problems first,
// then the report in a line; returns the exit status: 1 where a check finds a problem, or a file
// is no disc image or cannot be read.
int RunCheck(const std::vector<std::string>& paths, std::ostream& out, std::ostream& err);

}  // namespace quillet
