#pragma once

#include <ostream>
#include <span>
#include <string>

namespace quillet {

// Exit statuses of the quillet command line.
inline constexpr int kExitAllDone = 0;
inline constexpr int kExitSomeFailed = 1;
inline constexpr int kExitUsage = 2;

// The quillet command line, given its arguments (the program's name left out) as UTF-8:
// `quillet scan [--json] FILE...`, `quillet check IMAGE...`, `quillet convert --to FORM [--force]
// [-o OUT] FILE...`, `quillet fix [--regions JUE] [--force] [-o OUT] IMAGE...`, `--help`, `--version`.
// Writes results to `out` and errors to `err`, and returns the exit status: every file done, some
// failed, or the arguments were wrong (nothing was read).
int RunQuillet(std::span<const std::string> arguments, std::ostream& out, std::ostream& err);

}  // namespace quillet
