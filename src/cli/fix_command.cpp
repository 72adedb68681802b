#include "cli/fix_command.h"

#include <algorithm>
#include <memory>
#include <optional>

#include "cli/disc_input.h"
#include "cli/quillet_command.h"
#include "cli/run_files.h"
#include "core/disc_file.h"
#include "core/fixed_image.h"
#include "disc/boot_report.h"
#include "formats/disc_formats.h"
#include "inspect/judgement.h"
#include "sys/result_writer.h"
#include "util/run_time_error.h"
#include "util/text_rules.h"

namespace quillet {
namespace {

// Fixes one image; returns the lines that say what became of it.
std::string Fix(const std::string& path, std::unique_ptr<OpenedDisc> disc, const FixOptions& options, RunFiles& run,
                std::ostream& err) {
  if (!disc) RefuseAsInvalid("it is no disc image; quillet fix mends " + FormatsReadWords());
  const ImageFix image =
      SayingReasonAlone([&] { return ImageFix(std::move(disc), {options.area_symbols}, options.codes); });
  const DiscFix& fix = image.fix();
  if (fix.outcome == FixOutcome::AlreadyBoots) {
    return ShownPath(path) + ": nothing to fix (" + fix.sentence + "); nothing written";
  }
  if (fix.outcome == FixOutcome::Refused) {
    RefuseAsInvalid("not fixed, as that would take a guess: " + fix.sentence + "; nothing written");
  }
  if (fix.outcome == FixOutcome::Unsafe) RefuseAsInvalid("not fixed: " + fix.sentence + "; nothing written");
  const std::vector<std::string> targets = SayingReasonAlone([&] { return image.Targets(options.output); });
  for (const std::string& target : targets) run.RequireFree(path, target, options.output.has_value());
  for (const std::string& leftover : LeftoversOf(image.Destination(options.output))) {
    err << "quillet: " << leftover << std::endl;
  }
  const FixedCopy copy = SayingReasonAlone([&] {
    return WritingResult([&] { return image.Write(options.output, options.force || options.output.has_value()); },
                         "no file of the fixed set (a set goes into a folder of its own)");
  });
  for (const std::string& target : targets) run.Written(path, target);
  // A CHD is read-only: its fixed disc is a cue sheet, of which chdman makes a CHD again.
  const std::string chd_again = image.from_chd() ? "; chdman createcd makes a CHD of it from that sheet" : "";
  const JudgedDisc fixed = JudgeDisc(copy.disc, Evidence::FormOnly, options.codes);
  return ShownPath(path) + ": wrote " + ShownPath(copy.path) + " (" + fix.sentence + ")" + chd_again + "\n" +
         ShownPath(copy.path) + ": " + BootSummary(fixed.disc, fixed.checks, options.codes);
}

}  // namespace

int RunFix(const std::vector<std::string>& paths, const FixOptions& options, std::ostream& out, std::ostream& err) {
  int status = kExitAllDone;
  // Each image is opened once, for the whole run: what its files are (which no result may replace),
  // its plan and its copy.
  OpenedInputs inputs(paths);
  RunFiles run(paths, [&](const std::string& input) { return inputs.FilesOf(input); });
  for (std::size_t index = 0; index < paths.size(); ++index) {
    const std::string& path = paths[index];
    try {
      std::unique_ptr<OpenedDisc> disc = inputs.Take(index);
      out << AsRunTimeError([&] { return Fix(path, std::move(disc), options, run, err); }) << std::endl;
    } catch (const RunTimeError& failure) {
      err << "quillet: " << ShownPath(path) << ": " << RefusalReason(failure) << std::endl;
      status = kExitSomeFailed;
    }
  }
  return status;
}

}  // namespace quillet
