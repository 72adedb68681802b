#include "cli/scan_command.h"

#include <optional>
#include <string_view>
#include <vector>

#include "app/texts.h"
#include "cli/json_text.h"
#include "inspect/file_kind.h"
#include "inspect/scan_image.h"
#include "inspect/signatures.h"
#include "util/file_system.h"
#include "util/run_time_error.h"
#include "util/version.h"

namespace quillet {
namespace {

constexpr std::string_view kUsage = "Usage: quillet scan [--json] FILE...\n";

constexpr std::string_view kHelp =
    "Tells whether Dreamcast executables (1ST_READ.BIN) are scrambled or unscrambled.\n"
    "\n"
    "Prints one line per file: the verdict, a tab, and the path. The verdict is\n"
    "UNSCRAMBLED or SCRAMBLED; an ELF file (known by its first four bytes) is not\n"
    "scanned and is reported as ELF. An IP.BIN is refused.\n"
    "\n"
    "Options:\n"
    "  --json     print one JSON array instead: for each file its path, verdict,\n"
    "             size in bytes and the patterns found (letter and first offset),\n"
    "             or the error that stopped it\n"
    "  --help     show this help and exit\n"
    "  --version  show the version and exit\n"
    "\n"
    "Exit status: 0 when every file was scanned, 1 when any was refused or could\n"
    "not be read, 2 for a usage error.\n";

// What became of one file.
struct FileReport {
  std::string path;
  std::string verdict;  // empty when the file failed
  std::int64_t size = 0;
  std::vector<SignatureMatch> matches;
  bool scanned = false;  // false for an ELF, which is only named
  std::string error;
};

FileReport Examine(const std::string& path, bool want_matches) {
  FileReport report;
  report.path = path;
  try {
    if (IsIpBinTitle(FileTitle(path, NativePathStyle()))) {
      report.error = kIpBinRefusal;
      return report;
    }
    const ScanImage image = MapScanImage(path);
    std::vector<SignatureMatch> matches;
    std::string verdict = "ELF";  // recognised by its content, whatever its name; not scanned
    const bool scanned = !IsElfImage(image.bytes());
    if (scanned && want_matches) {
      matches = FindSignatures(image.bytes(), AllPatterns());
      verdict = VerdictText(matches.empty() ? ScrambleVerdict::Scrambled : ScrambleVerdict::Unscrambled);
    } else if (scanned) {
      verdict = VerdictText(ScanSignatures(image.bytes(), AllPatterns()));
    }
    image.RequireWhole();
    report.size = static_cast<std::int64_t>(image.size());
    report.verdict = verdict;
    report.matches = std::move(matches);
    report.scanned = scanned;
  } catch (const RunTimeError& failure) {
    report.error = failure.description();
  }
  return report;
}

void WriteJson(const FileReport& report, std::ostream& out) {
  out << "  {\"path\": " << JsonString(report.path);
  if (!report.error.empty()) {
    out << ", \"error\": " << JsonString(report.error) << "}";
    return;
  }
  out << ", \"verdict\": \"" << report.verdict << "\", \"size\": " << report.size;
  if (report.scanned) {
    out << ", \"matches\": [";
    const char* separator = "";
    for (const SignatureMatch& match : report.matches) {
      out << separator << "{\"pattern\": \"" << match.letter << "\", \"offset\": " << match.offset << "}";
      separator = ", ";
    }
    out << "]";
  }
  out << "}";
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
    return kExitAllScanned;
  }
  if (command == "--version") {
    out << "quillet " << kVersion << "\n";
    return kExitAllScanned;
  }
  if (command != "scan") return UsageError(err, "unknown command '" + command + "'");

  bool json = false;
  bool options_ended = false;
  std::vector<std::string> paths;
  for (const std::string& argument : arguments.subspan(1)) {
    if (options_ended || argument.empty() || argument.front() != '-' || argument == "-") {
      paths.push_back(argument);
    } else if (argument == "--") {
      options_ended = true;
    } else if (argument == "--json") {
      json = true;
    } else if (argument == "--help" || argument == "-h") {
      out << kUsage << kHelp;
      return kExitAllScanned;
    } else {
      return UsageError(err, "unknown option '" + argument + "'");
    }
  }
  if (paths.empty()) return UsageError(err, "no file given");

  int status = kExitAllScanned;
  if (json) out << "[\n";
  for (std::size_t index = 0; index < paths.size(); ++index) {
    const FileReport report = Examine(paths[index], json);
    if (!report.error.empty()) {
      err << "quillet: " << report.path << ": " << report.error << "\n";
      status = kExitSomeFailed;
    }
    if (json) {
      WriteJson(report, out);
      out << (index + 1 < paths.size() ? ",\n" : "\n");
    } else if (report.error.empty()) {
      out << report.verdict << "\t" << report.path << "\n";
    }
  }
  if (json) out << "]\n";
  return status;
}

}  // namespace quillet
