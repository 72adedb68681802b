#include "tools/dcscram/dcscram_command.h"
#include "util/command_line_program.h"

int main(int argc, char** argv) {
  return quillet::RunCommandLineProgram(argc, argv, "dcscram", 1, quillet::RunDcscram);
}
