#include "sys/command_line_program.h"

#include <signal.h>

#include <iostream>
#include <vector>

#include "sys/interrupt_cleanup.h"

namespace quillet {

int RunCommandLineProgram(int argc, char** argv, std::string_view name, int failure_status,
                          CommandLineProgram program) {
  InstallInterruptCleanup();
  // Past a file-size limit (ulimit -f) a write then fails with EFBIG, which is reported like any
  // other failed write, instead of the process dying silently.
  ::signal(SIGXFSZ, SIG_IGN);

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
