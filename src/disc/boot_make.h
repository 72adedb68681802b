#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "disc/boot_file.h"
#include "disc/boot_rule.h"
#include "inspect/judgement.h"

// What a made disc boots with: the user's IP.BIN, its header written, and the program in the form
// that IP.BIN's boot code starts. Quillet ships no IP.BIN: every bootstrap that boots a console
// carries Sega's code, so the user's is copied as it is but for its header and area texts.
namespace quillet {

struct BootRequest {
  std::vector<std::byte> ip;  // the IP.BIN's 32 KiB
  std::vector<std::byte> program;
  // The program's form where it is known already (an ELF's raw binary is unscrambled); else judged.
  std::optional<Form> program_form;
  BootHeaderFields header;
  std::optional<std::string> area_symbols;  // the regions to claim, as AreaSymbolsOf gives them
};

struct MadeBoot {
  std::vector<std::byte> bootstrap, boot_file;
  std::string boot_file_name;       // as the header names it
  Form judged = Form::Unscrambled;  // the program's form as given
  Form written = Form::Scrambled;   // and as the disc holds it
  std::uint64_t boot_code = 0;
};

// The bootstrap and boot file a CD-R made of `request` carries. Raises run-time error 5 with a
// sentence that says why not: an IP.BIN of the wrong size or without a hardware ID, boot code whose
// rule is not known (the report's own sentence), a program whose form cannot be told or that is too
// large for the console's memory.
MadeBoot MakeBoot(BootRequest request, const BootCodes& codes = {});

}  // namespace quillet
