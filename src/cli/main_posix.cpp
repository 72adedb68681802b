#include <iostream>
#include <string>
#include <vector>

#include "cli/scan_command.h"

int main(int argc, char** argv) {
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
