#pragma once

#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "inspect/judgement.h"

// quillet convert, its options already read.
namespace quillet {

struct ConvertOptions {
  Form target = Form::Unscrambled;  // Form::Scrambled or Form::Unscrambled
  bool force = false;
  std::optional<std::string> output;  // for a single file
};

// Converts each file into the requested form; returns the exit status.
int RunConvert(const std::vector<std::string>& paths, const ConvertOptions& options, std::ostream& out,
               std::ostream& err);

}  // namespace quillet
