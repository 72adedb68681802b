#pragma once

#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "inspect/judgement.h"

// The quillet command line's two commands, their options already read.
namespace quillet {

// One line per file, or one JSON array; returns the exit status.
int RunScan(const std::vector<std::string>& paths, bool json, std::ostream& out, std::ostream& err);

struct ConvertOptions {
  Form target = Form::Unscrambled;  // Form::Scrambled or Form::Unscrambled
  bool force = false;
  std::optional<std::string> output;  // for a single file
};

// Converts each file into the requested form; returns the exit status.
int RunConvert(const std::vector<std::string>& paths, const ConvertOptions& options, std::ostream& out,
               std::ostream& err);

}  // namespace quillet
