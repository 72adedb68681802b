#include "cli/scan_command.h"

#include <algorithm>
#include <array>
#include <optional>
#include <string_view>
#include <vector>

#include "cli/disc_input.h"
#include "cli/quillet_command.h"
#include "core/disc_file.h"
#include "core/file_source.h"
#include "disc/boot_report.h"
#include "disc/boot_rule.h"
#include "disc/disc_image.h"
#include "disc/file_decision.h"
#include "formats/disc_formats.h"
#include "inspect/file_kind.h"
#include "inspect/judgement.h"
#include "sys/file_errors.h"
#include "sys/file_system.h"
#include "util/json_text.h"
#include "util/run_time_error.h"
#include "util/text_rules.h"

namespace quillet {
namespace {

// What became of one file.
struct FileReport {
  std::string path;
  bool elf = false;                // known by its first bytes, and not judged
  std::optional<JudgedDisc> disc;  // a disc image's boot file, judged, and its boot checked
  Judgement judgement;             // the file's, or a disc image's boot file's
  std::int64_t size = 0;
  std::string error;  // empty when the file was judged
};

std::string FormWord(const FileReport& report) {
  return report.elf ? "elf" : std::string(FormText(report.judgement.form));
}

// Fills `report` with what `path` is; raises the run-time error that says why it cannot.
void Judge(const std::string& path, Evidence evidence, FileReport& report) {
  if (KindByName(path) == FileKind::IpBinByName) {
    report.error = kIpBinRefusal;
    return;
  }
  // One open file serves both the telling of a disc image and the judgement of a program, which
  // passes over it once a block at a time: a program's bytes are never held whole.
  const FileSource file(path);
  const FileKind kind = SayingReasonAlone([&] { return KindOfFile(file, path); });
  if (kind == FileKind::DiscImage) {
    report.disc =
        JudgeDisc(*SayingReasonAlone([&] { return BootOfDisc(file, path, TrackFilesBeside(path)); }), evidence);
    report.judgement = report.disc->judgement;
    report.size = static_cast<std::int64_t>(report.disc->disc.boot.bytes.size());
  } else {
    if (file.size() > static_cast<std::uint64_t>(kMaxFileLength)) throw FileTooLargeError();
    report.elf = kind == FileKind::Elf;
    if (!report.elf) report.judgement = SayingReasonAlone([&] { return JudgeLooseFile(file, path, evidence); });
    report.size = static_cast<std::int64_t>(file.size());
  }
  if (!report.elf && report.judgement.form == Form::BootSector) report.error = kIpBinRefusal;
}

FileReport Examine(const std::string& path, Evidence evidence) {
  FileReport report;
  report.path = path;
  try {
    AsRunTimeError([&] { Judge(path, evidence, report); });
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
  if (report.elf) {
    out << ", \"form\": \"elf\", \"verdict\": \"ELF\", \"size\": " << report.size << "}";
    return;
  }
  const Judgement& judgement = report.judgement;
  out << ", " << JudgementJsonMembers(judgement, report.size);
  if (report.disc) out << ", \"image\": {" << DiscJsonMembers(*report.disc) << "}";
  out << "}";
}

}  // namespace

int RunScan(const std::vector<std::string>& paths, bool json, std::ostream& out, std::ostream& err) {
  int status = kExitAllDone;
  if (json) out << "[\n";
  for (std::size_t index = 0; index < paths.size(); ++index) {
    const FileReport report = Examine(paths[index], json ? Evidence::Full : Evidence::FormOnly);
    if (!report.error.empty()) {
      err << "quillet: " << ShownPath(report.path) << ": " << report.error << "\n";
      status = kExitSomeFailed;
    }
    if (json) {
      WriteJson(report, out);
      out << (index + 1 < paths.size() ? ",\n" : "\n");
    } else if (report.error.empty()) {
      out << AsciiUppercase(FormWord(report)) << "\t" << report.path;
      if (report.disc) out << "\t" << EscapeControls(report.disc->disc.boot.header.boot_file);
      out << "\n";
      if (report.disc) {
        const std::string note = BootNote(report.disc->disc, report.judgement.form);
        if (!note.empty()) out << ShownPath(report.path) << ": " << note << "\n";
      }
    }
  }
  if (json) out << "]\n";
  return status;
}

int RunCheck(const std::vector<std::string>& paths, std::ostream& out, std::ostream& err) {
  int status = kExitAllDone;
  for (const std::string& path : paths) {
    FileReport report = Examine(path, Evidence::FormOnly);
    if (report.error.empty() && !report.disc) {
      report.error = "no disc image: quillet check reads " + FormatsReadWords();
    }
    if (!report.error.empty()) {
      err << "quillet: " << ShownPath(path) << ": " << report.error << "\n";
      status = kExitSomeFailed;
      continue;
    }
    const std::vector<BootCheck>& checks = report.disc->checks;
    for (const BootCheck& check : checks) {
      out << ShownPath(path) << ": " << CheckResultText(check.result) << ": " << check.name << ": " << check.sentence
          << "\n";
      if (check.result == CheckResult::Problem) status = kExitSomeFailed;
    }
    out << ShownPath(path) << ": " << BootSummary(report.disc->disc, checks) << "\n";
  }
  return status;
}

}  // namespace quillet
