#pragma once

#include <sstream>
#include <string>
#include <vector>

#include "sys/command_line_program.h"

namespace quillet::testing {

// What a command-line program did: its exit status and everything it wrote.
struct ProgramResult {
  int status;
  std::string out;
  std::string err;
};

inline ProgramResult RunProgram(CommandLineProgram program, const std::vector<std::string>& arguments) {
  std::ostringstream out, err;
  const int status = program(arguments, out, err);
  return {status, out.str(), err.str()};
}

}  // namespace quillet::testing
