#include "cli/quillet_command.h"
#include "sys/command_line_program.h"

int main(int argc, char** argv) {
  return quillet::RunCommandLineProgram(argc, argv, "quillet", quillet::kExitSomeFailed, quillet::RunQuillet);
}
