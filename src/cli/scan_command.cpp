#include "cli/commands.h"

#include <optional>
#include <string_view>
#include <vector>

#include "app/texts.h"
#include "cli/json_text.h"
#include "cli/quillet_command.h"
#include "inspect/file_kind.h"
#include "inspect/layout.h"
#include "inspect/scan_image.h"
#include "inspect/signatures.h"
#include "util/file_system.h"
#include "util/run_time_error.h"

namespace quillet {
namespace {

// What became of one file.
struct FileReport {
  std::string path;
  std::string verdict;  // empty when the file failed
  std::int64_t size = 0;
  std::vector<SignatureMatch> matches;
  bool scanned = false;  // false for an ELF, which is only named
  Layout layout = Layout::Undecided;
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
    const Layout layout = scanned ? JudgeLayout(image.bytes()) : Layout::Undecided;
    image.RequireWhole();
    report.layout = layout;
    report.size = static_cast<std::int64_t>(image.size());
    report.verdict = verdict;
    report.matches = std::move(matches);
    report.scanned = scanned;
  } catch (const RunTimeError& failure) {
    report.error = failure.description();
  }
  return report;
}

// A program without the patterns, or a file scrambled twice: worth a note beside the verdict.
bool LayoutDisagrees(const FileReport& report) {
  if (!report.scanned || report.layout == Layout::Undecided) return false;
  const bool unscrambled = report.verdict == VerdictText(ScrambleVerdict::Unscrambled);
  return unscrambled ? report.layout != Layout::Unscrambled : report.layout != Layout::Scrambled;
}

void WriteJson(const FileReport& report, std::ostream& out) {
  out << "  {\"path\": " << JsonString(report.path);
  if (!report.error.empty()) {
    out << ", \"error\": " << JsonString(report.error) << "}";
    return;
  }
  out << ", \"verdict\": \"" << report.verdict << "\"";
  if (report.scanned) out << ", \"layout\": \"" << LayoutText(report.layout) << "\"";
  out << ", \"size\": " << report.size;
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

}  // namespace

int RunScan(const std::vector<std::string>& paths, bool json, std::ostream& out, std::ostream& err) {
  int status = kExitAllDone;
  if (json) out << "[\n";
  for (std::size_t index = 0; index < paths.size(); ++index) {
    const FileReport report = Examine(paths[index], json);
    if (!report.error.empty()) {
      err << "quillet: " << report.path << ": " << report.error << "\n";
      status = kExitSomeFailed;
    } else if (LayoutDisagrees(report)) {
      err << "quillet: " << report.path << ": the patterns say " << report.verdict << ", its layout says "
          << LayoutText(report.layout) << "\n";
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
