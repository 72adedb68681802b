#include "cli/quillet_command.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <ctime>
#include <string_view>
#include <vector>

#include "cli/convert_command.h"
#include "cli/fix_command.h"
#include "cli/make_command.h"
#include "cli/scan_command.h"
#include "disc/boot_rule.h"
#include "disc/disc_fix.h"
#include "util/version.h"

namespace quillet {
namespace {

constexpr std::string_view kUsage =
    "Usage: quillet scan [--json] FILE...\n"
    "       quillet check IMAGE...\n"
    "       quillet convert --to scrambled|unscrambled [--force] [-o OUT] FILE...\n"
    "       quillet fix [--regions JUE] [--force] [-o OUT] IMAGE...\n"
    "       quillet make --ip IP [--data-data] [--title TEXT] [--regions JUE]\n"
    "                    [--force] [-o OUT] PROGRAM [FILE|FOLDER...]\n";

constexpr std::string_view kHelp =
    "Tells whether Dreamcast executables (1ST_READ.BIN) are scrambled or unscrambled,\n"
    "and converts them.\n"
    "\n"
    "Commands:\n"
    "  scan       one line per file: its form, a tab, and the path. The form is\n"
    "             UNSCRAMBLED, SCRAMBLED, SCRAMBLED TWICE, UNDECIDED (no honest\n"
    "             answer: random, uniform or tiny) or NOT A PROGRAM (no SH-4 code in\n"
    "             any form: text, pictures, archives, other machines' code), judged\n"
    "             from the texts a C library leaves in a program, the file's layout\n"
    "             and its machine code; an ELF file (known by its first four bytes)\n"
    "             is reported as ELF, and an IP.BIN (by name or content) is refused.\n"
    "             A disc image (CDI, ISO, CHD, a GD-ROM dump's .gdi or a cue sheet\n"
    "             with its track files) gets the form of its boot file and, after\n"
    "             the path, its name; a second line says when the disc would not\n"
    "             start it in that form, or that its boot code is its own. Images\n"
    "             of other formats (Nero, Alcohol, CloneCD) are refused.\n"
    "  check      whether each disc image's disc would start its boot file: a line\n"
    "             per check (bootstrap, boot code, boot file, form, layout,\n"
    "             placement, regions, size), each ok, problem or cannot tell with a\n"
    "             sentence, problems first; then the report in a line, such as\n"
    "             \"will boot from a CD-R\" or \"will not boot: \" and why.\n"
    "  convert    writes NAME_scrambled.bin or NAME_unscrambled.bin beside each file\n"
    "             (NAME: its name up to the first dot), or OUT for a single file; an\n"
    "             existing one is replaced only with --force. A\n"
    "             file already in that form is left alone, a file scrambled twice is\n"
    "             unscrambled twice, a file whose form cannot be told or that is no\n"
    "             program needs --force, and an ELF file goes through sh-elf-objcopy\n"
    "             (from tools/ beside quillet, else from the PATH). A disc image's\n"
    "             boot file is written in either form; the image and its track\n"
    "             files are never written.\n"
    "  fix        writes a copy of each disc image (CDI, ISO, a .gdi or a cue sheet\n"
    "             with its track files) that boots: its boot file in the form the\n"
    "             boot code starts (scrambled for a CD-R, unscrambled for a\n"
    "             GD-ROM, what a known loader starts) and area texts that agree\n"
    "             with the area symbols, the sectors rewritten in place with their\n"
    "             error codes made again. NAME_fixed.cdi or NAME_fixed.iso beside\n"
    "             the image; a .gdi's or cue sheet's set in a folder NAME_fixed\n"
    "             beside it; a CHD's as a cue sheet and a file a track in\n"
    "             NAME_fixed, of which chdman createcd makes a CHD. Nothing is\n"
    "             guessed at: boot code of the disc's own, a missing boot file, a\n"
    "             misplaced session, or a boot file whose sectors other files or\n"
    "             directories share is refused, nothing written; an image that\n"
    "             boots already is left alone. The image is never written, an\n"
    "             existing copy is replaced only with --force, and the copy is\n"
    "             read back before it takes its place; then its report in a line.\n"
    "  make       writes a self-booting CD-R image of PROGRAM (an SH ELF file, or a\n"
    "             1ST_READ.BIN in either form) and the user's IP.BIN: 1ST_READ.BIN\n"
    "             in the form the IP.BIN's boot code starts, first on the disc,\n"
    "             then each FILE and FOLDER under its own name (ISO 9660 level 1:\n"
    "             8.3 names of letters, digits and _; any other is refused). OUT's\n"
    "             extension picks the form: .cdi (DiscJuggler), .cue (a cue sheet\n"
    "             with REM SESSION lines and a file a track, in a folder of their\n"
    "             own), .iso (the file system alone, made for LBA 11702); without\n"
    "             -o, PROGRAM's name as a .cdi beside it. Audio + data by default.\n"
    "             Dates come from SOURCE_DATE_EPOCH where it is set: the same\n"
    "             inputs then make the same bytes. The disc is read back and\n"
    "             checked before it takes its place; then its report in a line.\n"
    "\n"
    "Options:\n"
    "  --json     (scan) print one JSON array instead: for each file its path, form,\n"
    "             the evidence (verdict of the patterns, layout), size in bytes and\n"
    "             the patterns found (letter and first offset), or the error that\n"
    "             stopped it; for a disc image, \"image\": its format, boot file,\n"
    "             track, LBA, title, product number, \"boots\", the \"checks\" of quillet\n"
    "             check (name, result, sentence) and their \"summary\"\n"
    "  --to FORM  (convert) scrambled or unscrambled\n"
    "  --force    (convert) convert a file already in that form too, or one whose\n"
    "             form cannot be told or that is no program; (convert, fix,\n"
    "             make) replace an earlier result of the same name\n"
    "  -o OUT     (convert, fix, make) where to write, for a single file or image; a\n"
    "             set's track files go beside OUT, in a folder new or empty\n"
    "  --regions JUE\n"
    "             (fix, make) make the disc claim these regions (J Japan, U the\n"
    "             USA, E Europe), its area symbols and texts both\n"
    "  --ip IP    (make) the IP.BIN (32 KiB), or a disc image to take it from;\n"
    "             its bootstrap is copied as it is, its header written: the boot\n"
    "             file's name, the title, the date, the regions, the CRC\n"
    "  --data-data\n"
    "             (make) two data sessions: the file system in the first, at LBA\n"
    "             0, its first 18 sectors again in the second\n"
    "  --title TEXT\n"
    "             (make) the title the IP.BIN gives (128 characters at most)\n"
    "  --help     show this help and exit\n"
    "  --version  show the version and exit\n"
    "\n"
    "Exit status: 0 when every file was done (or was right already), 1 when any was\n"
    "refused or failed, or (check) when a check found a problem, 2 for a usage error.\n";

// The moment the environment's SOURCE_DATE_EPOCH names, or now where it is not set; nothing where
// it is set to anything but a number of seconds.
std::optional<std::int64_t> SourceDateEpoch() {
  const char* text = std::getenv("SOURCE_DATE_EPOCH");
  if (!text) return static_cast<std::int64_t>(std::time(nullptr));
  const std::string_view digits(text);
  if (digits.empty() || digits.size() > 12 || digits.find_first_not_of("0123456789") != std::string_view::npos) {
    return std::nullopt;
  }
  return std::stoll(std::string(digits));
}

int UsageError(std::ostream& err, std::string_view problem) {
  err << "quillet: " << problem << "\n" << kUsage << "Try 'quillet --help' for more information.\n";
  return kExitUsage;
}

}  // namespace

int RunQuillet(std::span<const std::string> arguments, std::ostream& out, std::ostream& err) {
  if (arguments.empty()) return UsageError(err, "no command given");
  const std::string& command = arguments.front();
  if (command == "--help" || command == "-h") {
    out << kUsage << kHelp;
    return kExitAllDone;
  }
  if (command == "--version") {
    out << "quillet " << kVersion << "\n";
    return kExitAllDone;
  }
  if (command != "scan" && command != "check" && command != "convert" && command != "fix" && command != "make") {
    return UsageError(err, "unknown command '" + command + "'");
  }
  const bool scan = command == "scan", check = command == "check";

  bool json = false;
  std::optional<std::string> form;
  ConvertOptions convert;
  std::optional<std::string> regions, ip, title;
  bool force = false, data_data = false;
  bool options_ended = false;
  std::vector<std::string> paths;
  const std::span<const std::string> rest = arguments.subspan(1);
  for (std::size_t i = 0; i < rest.size(); ++i) {
    const std::string& argument = rest[i];
    const bool makes = command == "make";
    const bool takes_value = (command == "convert" && (argument == "--to" || argument == "-o")) ||
                             ((command == "fix" || makes) && (argument == "--regions" || argument == "-o")) ||
                             (makes && (argument == "--ip" || argument == "--title"));
    if (options_ended || argument.empty() || argument.front() != '-' || argument == "-") {
      paths.push_back(argument);
    } else if (argument == "--") {
      options_ended = true;
    } else if (argument == "--help" || argument == "-h") {
      out << kUsage << kHelp;
      return kExitAllDone;
    } else if (scan && argument == "--json") {
      json = true;
    } else if ((command == "convert" || command == "fix" || makes) && argument == "--force") {
      force = true;
    } else if (makes && argument == "--data-data") {
      data_data = true;
    } else if (takes_value && i + 1 == rest.size()) {
      return UsageError(err, "option '" + argument + "' needs a value");
    } else if (takes_value) {
      std::optional<std::string>& value = argument == "--to"        ? form
                                          : argument == "--regions" ? regions
                                          : argument == "--ip"      ? ip
                                          : argument == "--title"   ? title
                                                                    : convert.output;
      // Which of two values was meant cannot be told.
      if (value) return UsageError(err, "option '" + argument + "' is given twice");
      value = rest[++i];
    } else {
      return UsageError(err, "unknown option '" + argument + "'");
    }
  }
  if (command == "make" && !ip) {
    return UsageError(err,
                      "make needs --ip IP.BIN: Quillet ships no IP.BIN (every one that boots a console carries "
                      "Sega's code); give yours, or a disc image to take it from");
  }
  if (paths.empty()) return UsageError(err, "no file given");
  if (const std::optional<std::string> warning = TrustedBootCodeWarning()) err << "quillet: " << *warning << "\n";
  if (scan) return RunScan(paths, json, out, err);
  if (check) return RunCheck(paths, out, err);
  if (convert.output && paths.size() > 1 && command != "make") {
    return UsageError(err, "-o names the output of a single file");
  }
  if (command == "make") {
    MakeOptions make{*ip, convert.output, title.value_or(""), std::nullopt, MadeLayout::AudioData, 0, force};
    if (data_data) make.layout = MadeLayout::DataData;
    if (regions && !(make.area_symbols = AreaSymbolsOf(*regions))) {
      return UsageError(err, "--regions takes J, U and E, each once (such as JUE), not '" + *regions + "'");
    }
    if (make.title.size() > 128 || std::any_of(make.title.begin(), make.title.end(), [](char c) {
          return static_cast<unsigned char>(c) < 0x20 || static_cast<unsigned char>(c) > 0x7E;
        })) {
      return UsageError(err, "--title takes up to 128 characters of plain ASCII (letters, digits, blanks, marks)");
    }
    const std::optional<std::int64_t> time = SourceDateEpoch();
    if (!time) {
      return UsageError(err, "SOURCE_DATE_EPOCH must be a number of seconds since 1970 (such as 1700000000), not '" +
                                 std::string(std::getenv("SOURCE_DATE_EPOCH")) + "'");
    }
    make.time = *time;
    return RunMake(paths.front(), std::vector<std::string>(paths.begin() + 1, paths.end()), make, out, err);
  }
  if (command == "fix") {
    FixOptions fix{convert.output, std::nullopt, {}, force};
    if (regions && !(fix.area_symbols = AreaSymbolsOf(*regions))) {
      return UsageError(err, "--regions takes J, U and E, each once (such as JUE), not '" + *regions + "'");
    }
    return RunFix(paths, fix, out, err);
  }

  if (!form) return UsageError(err, "convert needs --to scrambled or --to unscrambled");
  if (*form != "scrambled" && *form != "unscrambled") {
    return UsageError(err, "--to takes scrambled or unscrambled, not '" + *form + "'");
  }
  convert.target = *form == "scrambled" ? Form::Scrambled : Form::Unscrambled;
  convert.force = force;
  return RunConvert(paths, convert, out, err);
}

}  // namespace quillet
