#include "tools/dcscram/dcscram_command.h"

#include <algorithm>
#include <string_view>

#include "core/plan_writer.h"
#include "sys/file_system.h"
#include "sys/replacement_file.h"
#include "util/run_time_error.h"
#include "util/version.h"

namespace quillet {
namespace {

constexpr std::string_view kUsage = "Usage: dcscram [-d] IN OUT\n";

constexpr std::string_view kHelp =
    "Scrambles a Dreamcast executable (a raw binary such as 1ST_READ.BIN) into the form a\n"
    "CD-R boots from, or with -d unscrambles it back. IN and OUT may be the same file.\n"
    "\n"
    "OUT is written under a temporary name beside it and takes its place only when it is\n"
    "complete: on any failure OUT is left as it was.\n"
    "\n"
    "Options:\n"
    "  -d         unscramble instead of scramble\n"
    "  --help     show this help and exit\n"
    "  --version  show the version and exit\n";

// Which file a failure concerns, for the message.
enum class Side { Input, Output };

}  // namespace

int RunDcscram(std::span<const std::string> arguments, std::ostream& out, std::ostream& err) {
  if (arguments.size() == 1 && (arguments[0] == "--help" || arguments[0] == "-h")) {
    out << kUsage << kHelp;
    return 0;
  }
  if (arguments.size() == 1 && arguments[0] == "--version") {
    out << "dcscram (Quillet) " << kVersion << "\n";
    return 0;
  }
  const bool unscramble = arguments.size() == 3 && arguments[0] == "-d";
  // A file name that looks like an option is far likelier a slip (`dcscram -d in.bin` would
  // otherwise scramble a file named "-d" over in.bin); ./-name still reaches such a file.
  const auto looks_like_option = [](const std::string& argument) { return argument.starts_with('-'); };
  if ((arguments.size() != 2 && !unscramble) || std::ranges::any_of(arguments.last(2), looks_like_option)) {
    err << kUsage;
    return 1;
  }
  const std::string& input_path = arguments[arguments.size() - 2];
  const std::string& output_path = arguments[arguments.size() - 1];

  Side side = Side::Input;
  try {
    const FileContents input = MapWholeFile(input_path);
    side = Side::Output;
    ReplacementFile output(output_path);
    WritePlan(input.bytes(), ConversionPlan{!unscramble, unscramble ? 1 : 0, ""}, output);
    side = Side::Input;
    input.RequireWhole();
    side = Side::Output;
    output.Commit();
  } catch (const RunTimeError& failure) {
    err << "dcscram: cannot " << (side == Side::Input ? "read '" + input_path : "write '" + output_path)
        << "': " << failure.description() << "\n";
    return 1;
  }
  return 0;
}

}  // namespace quillet
