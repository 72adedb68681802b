#include "disc/boot_make.h"

#include <utility>

#include "disc/disc_fix.h"
#include "inspect/file_kind.h"
#include "util/run_time_error.h"
#include "util/text_rules.h"

namespace quillet {

MadeBoot MakeBoot(BootRequest request, const BootCodes& codes) {
  if (request.ip.size() != kBootstrapBytes) {
    RefuseAsInvalid("it is " + std::to_string(request.ip.size()) + " bytes long, and an IP.BIN is " +
                    std::to_string(kBootstrapBytes) + " (32 KiB)");
  }
  if (!IsBootSectorImage(request.ip)) {
    RefuseAsInvalid("it is no IP.BIN: it does not begin with the hardware ID " + std::string(kHardwareId) +
                    " and a boot file's name");
  }
  DiscBootFile disc;  // a CD-R's, as far as the boot rule asks
  disc.boot.header = ReadBootHeader(request.ip);
  MadeBoot made;
  made.boot_code = disc.boot.header.boot_code;
  const std::optional<Form> started = StartedForm(disc, codes);
  if (!started) {
    RefuseAsInvalid(
        "the IP.BIN carries boot code of its own (a loader): what it starts, and how, depends on that code; where "
        "you know it loads the program as the console's own code does, name its hash in "
        "QUILLET_TRUSTED_BOOT_CODE=" +
        HexDigits(made.boot_code, 16));
  }
  made.judged = request.program_form.value_or(JudgeImage(request.program, Evidence::FormOnly).form);
  if (made.judged == Form::NotAProgram)
    RefuseAsInvalid("the program does not look like a Dreamcast program in any form");
  if (made.judged != Form::Scrambled && made.judged != Form::Unscrambled && made.judged != Form::ScrambledTwice) {
    RefuseAsInvalid(
        "whether the program is scrambled cannot be told (no patterns, no telling layout), so neither can what "
        "the disc needs: give its ELF file, or quillet convert it with --force into the form you know it has");
  }
  if (request.program.size() > kLargestLoadedFile) {
    RefuseAsInvalid("the program is " + SizeWords(request.program.size()) + " (" +
                    std::to_string(request.program.size()) + " bytes): more than the " +
                    std::to_string(kLargestLoadedFile) +
                    " bytes from 0x8C010000, where the console loads it, to the end of its memory");
  }
  made.written = *started;
  made.boot_file = ProgramInForm(std::move(request.program), made.judged, made.written);
  made.bootstrap = std::move(request.ip);
  WriteRegions(made.bootstrap, disc.boot.header, request.area_symbols.value_or(disc.boot.header.area_symbols),
               request.area_symbols.has_value());
  WriteBootHeader(made.bootstrap, request.header);
  made.boot_file_name = request.header.boot_file;
  return made;
}

}  // namespace quillet
