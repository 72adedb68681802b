// quillet fix of one image, its boot code taken for stock: the benchmark's images are made with the
// tests' own IP.BIN, whose code no published disc has. Everything else is the command's own work.
//   fix_bench IMAGE OUT
#include <iostream>
#include <string>

#include "cli/fix_command.h"
#include "core/disc_file.h"
#include "sys/interrupt_cleanup.h"

int main(int argc, char** argv) {
  if (argc != 3) {
    std::cerr << "usage: fix_bench IMAGE OUT\n";
    return 2;
  }
  quillet::InstallInterruptCleanup();
  const std::optional<quillet::DiscBootFile> disc = quillet::DiscBootAt(argv[1]);
  if (!disc) return 1;
  const std::uint64_t code[] = {disc->boot.header.boot_code};
  quillet::FixOptions options;
  options.output = argv[2];
  options.codes = {code, {}};
  return quillet::RunFix({argv[1]}, options, std::cout, std::cerr);
}
