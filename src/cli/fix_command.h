#pragma once

#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "disc/boot_rule.h"

// quillet fix, its options already read.
namespace quillet {

struct FixOptions {
  std::optional<std::string> output;        // the new image or sheet, for a single image
  std::optional<std::string> area_symbols;  // --regions, as area symbols ("JUE", " U ")
  BootCodes codes;                          // the boot code whose rule is known
  bool force = false;                       // an earlier fixed copy may be replaced
};

// Writes a fixed copy of each disc image; returns the exit status.
int RunFix(const std::vector<std::string>& paths, const FixOptions& options, std::ostream& out, std::ostream& err);

}  // namespace quillet
