#include "cli/quillet_command.h"
#include "util/command_line_program.h"

int main(int argc, char** argv) {
  return quillet::RunCommandLineProgram(argc, argv, "quillet", quillet::kExitSomeFailed, quillet::RunQuillet);
}
