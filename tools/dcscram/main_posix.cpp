#include "sys/command_line_program.h"
#include "tools/dcscram/dcscram_command.h"

int main(int argc, char** argv) {
  return quillet::RunCommandLineProgram(argc, argv, "dcscram", 1, quillet::RunDcscram);
}
