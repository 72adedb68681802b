#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace quillet {

// One run of an external tool. The command-line text is the whole command as one string, quoted
// for Windows, which the Windows runner hands to CreateProcess and which messages may show; the
// argument vector holds the same pieces unquoted, which a POSIX runner passes as they are, so
// that any byte of a file name reaches the tool unchanged.
struct ToolRun {
  std::string program;                 // the tool's full path, in the tools folder
  std::vector<std::string> arguments;  // the tool's arguments, without the program
  std::string command_line;            // program name as the user knows it, then the arguments
};

// How a run ended. A runner starts the program with the caller's environment and current folder,
// no window and no input, and waits for it without limit.
struct ToolOutcome {
  bool started = false;
  int exit_code = 0;    // when started: the program's exit status
  std::string failure;  // when not started, or ended by a signal: the system's sentence
  std::string errors;   // what the program wrote to its standard error (its last 4 KiB)
};

// The most the runners keep of a tool's standard error: its reason is in its last lines.
inline constexpr std::size_t kToolErrorsKept = 4096;

}  // namespace quillet
