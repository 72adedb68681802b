#pragma once

#include <ostream>
#include <span>
#include <string>
#include <string_view>

namespace quillet {

// A command-line program's portable part: arguments (the program's name left out) in UTF-8,
// standard output and standard error; it returns the exit status.
using CommandLineProgram = int (*)(std::span<const std::string> arguments, std::ostream& out, std::ostream& err);

// What a program's main does around it, once per platform: the arguments as UTF-8, the output
// written and checked (a failed write is reported and fails the run), and on POSIX temporary files
// removed when a signal ends the program, and a file-size limit reported as a failed write.
// `failure_status` is the program's exit status for such failures.
int RunCommandLineProgram(int argc, char** argv, std::string_view name, int failure_status, CommandLineProgram program);
int RunCommandLineProgram(int argc, wchar_t** argv, std::string_view name, int failure_status,
                          CommandLineProgram program);

}  // namespace quillet
