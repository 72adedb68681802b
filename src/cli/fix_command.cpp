#include "cli/fix_command.h"

#include "cli/disc_input.h"
#include "cli/quillet_command.h"
#include "cli/run_files.h"
#include "disc/boot_report.h"
#include "disc/disc_file.h"
#include "disc/fixed_image.h"
#include "inspect/judgement.h"
#include "util/run_time_error.h"
#include "util/text_rules.h"

namespace quillet {
namespace {

// The boot report's summary of the image at `path`, as quillet check ends.
std::string SummaryOf(const std::string& path, const BootCodes& codes) {
  const DiscBootFile disc = *SayingReasonAlone([&] { return DiscBootAt(path); });
  const Form form = JudgeImage(disc.boot.bytes).form;
  return BootSummary(disc, CheckBoot(disc, form, codes), codes);
}

// Fixes one image; returns the lines that say what became of it.
std::string Fix(const std::string& path, const FixOptions& options, RunFiles& run) {
  const ImageFix image = SayingReasonAlone([&] { return ImageFix(path, {options.area_symbols}, options.codes); });
  const DiscFix& fix = image.fix();
  if (fix.outcome == FixOutcome::AlreadyBoots) {
    return ShownPath(path) + ": nothing to fix (" + fix.sentence + "); nothing written";
  }
  if (fix.outcome == FixOutcome::Refused) {
    RefuseAsInvalid("not fixed, as that would take a guess: " + fix.sentence + "; nothing written");
  }
  const std::vector<std::string> targets = image.Targets(options.output);
  for (const std::string& target : targets) run.RequireFree(path, target, options.output.has_value());
  image.Write(options.output);
  for (const std::string& target : targets) run.Written(path, target);
  const std::string& result = targets.front();
  // A CHD is read-only: its fixed disc is a cue sheet, of which chdman makes a CHD again.
  const std::string chd_again = image.from_chd() ? "; chdman createcd makes a CHD of it from that sheet" : "";
  return ShownPath(path) + ": wrote " + ShownPath(result) + " (" + fix.sentence + ")" + chd_again + "\n" +
         ShownPath(result) + ": " + SummaryOf(result, options.codes);
}

}  // namespace

int RunFix(const std::vector<std::string>& paths, const FixOptions& options, std::ostream& out, std::ostream& err) {
  int status = kExitAllDone;
  RunFiles run(paths);
  for (const std::string& path : paths) {
    try {
      out << AsRunTimeError([&] { return Fix(path, options, run); }) << std::endl;
    } catch (const RunTimeError& failure) {
      err << "quillet: " << ShownPath(path) << ": " << RefusalReason(failure) << std::endl;
      status = kExitSomeFailed;
    }
  }
  return status;
}

}  // namespace quillet
