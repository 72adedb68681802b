#include "cli/quillet_command.h"
#include "util/command_line_program.h"

int wmain(int argc, wchar_t** argv) {
  return quillet::RunCommandLineProgram(argc, argv, "quillet", quillet::kExitSomeFailed, quillet::RunQuillet);
}
