#include "cli/quillet_command.h"
#include "sys/command_line_program.h"

int wmain(int argc, wchar_t** argv) {
  return quillet::RunCommandLineProgram(argc, argv, "quillet", quillet::kExitSomeFailed, quillet::RunQuillet);
}
