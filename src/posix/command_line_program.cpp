#include "util/command_line_program.h"

#include <signal.h>
#include <unistd.h>

#include <cstring>
#include <iostream>
#include <vector>

namespace quillet {
namespace {

// Set before the handler is installed, read only by it.
char g_truncated_message[256];
int g_failure_status = 1;

// Files are read through mappings; another program truncating one meanwhile makes its pages
// vanish, and touching them raises SIGBUS.
void OnTruncatedMapping(int) {
  [[maybe_unused]] ssize_t ignored = ::write(STDERR_FILENO, g_truncated_message, std::strlen(g_truncated_message));
  ::_exit(g_failure_status);
}

}  // namespace

int RunCommandLineProgram(int argc, char** argv, std::string_view name, int failure_status,
                          CommandLineProgram program) {
  const std::string message = std::string(name) + ": a file was truncated by another program while it was being read\n";
  std::strncpy(g_truncated_message, message.c_str(), sizeof g_truncated_message - 1);
  g_failure_status = failure_status;
  struct sigaction action {};
  action.sa_handler = OnTruncatedMapping;
  ::sigaction(SIGBUS, &action, nullptr);

  std::ios::sync_with_stdio(false);
  const std::vector<std::string> arguments(argv + (argc > 0 ? 1 : 0), argv + argc);
  int status = program(arguments, std::cout, std::cerr);
  if (!std::cout.flush()) {
    std::cerr << name << ": the output could not be written\n";
    status = failure_status;
  }
  return status;
}

}  // namespace quillet
