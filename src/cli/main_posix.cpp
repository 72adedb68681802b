#include <signal.h>
#include <unistd.h>

#include <iostream>
#include <string>
#include <vector>

#include "cli/scan_command.h"

namespace {

// Files are scanned through read-only mappings; another program truncating one meanwhile makes
// its pages vanish, and reading them raises SIGBUS. Say so instead of dying without a word.
void OnTruncatedMapping(int) {
  static constexpr char kMessage[] = "quillet: a file was truncated by another program while it was being scanned\n";
  [[maybe_unused]] ssize_t ignored = ::write(STDERR_FILENO, kMessage, sizeof kMessage - 1);
  ::_exit(quillet::kExitSomeFailed);
}

}  // namespace

int main(int argc, char** argv) {
  struct sigaction action {};
  action.sa_handler = OnTruncatedMapping;
  ::sigaction(SIGBUS, &action, nullptr);
  std::ios::sync_with_stdio(false);
  std::vector<std::string> arguments(argv + (argc > 0 ? 1 : 0), argv + argc);
  int status = quillet::RunQuillet(arguments, std::cout, std::cerr);
  std::cout.flush();
  if (!std::cout) {
    std::cerr << "quillet: the results could not be written to standard output\n";
    return quillet::kExitSomeFailed;
  }
  return status;
}
