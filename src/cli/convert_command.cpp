#include <new>
#include <optional>
#include <utility>
#include <vector>

#include "cli/convert_command.h"
#include "cli/disc_input.h"
#include "cli/objcopy_run.h"
#include "cli/quillet_command.h"
#include "cli/run_files.h"
#include "convert/conversion_plan.h"
#include "convert/elf_raw.h"
#include "convert/tool_commands.h"
#include "core/disc_file.h"
#include "core/file_source.h"
#include "core/plan_writer.h"
#include "disc/file_decision.h"
#include "inspect/file_kind.h"
#include "sys/file_system.h"
#include "sys/interrupt_cleanup.h"
#include "sys/replacement_file.h"
#include "sys/result_writer.h"
#include "sys/tool_runner.h"
#include "util/path_rules.h"
#include "util/run_time_error.h"
#include "util/text_rules.h"

namespace quillet {
namespace {

// Writes `bytes` converted by `plan` to `output`, whole or not at all, an earlier file of its name
// only where `replace`; `mapped`, where the bytes lie in a mapping of the input, must still be whole
// before the result takes its place.
void WriteResult(std::span<const std::byte> bytes, const ConversionPlan& plan, const std::string& output, bool replace,
                 const FileContents* mapped) {
  try {
    ResultWriter writer(output, replace);
    ReplacementFile& file = writer.Begin();
    writer.Writing({}, [&] { WritePlan(bytes, plan, file); });
    if (mapped) mapped->RequireWhole();
    writer.Commit();
  } catch (const ResultExists& exists) {
    throw RunTimeError(exists.number(),
                       "its result " + ShownPath(output) + " exists: --force replaces it; nothing written");
  }
}

// The name a result takes: the input's name up to its first dot, a leading dot (a hidden file's)
// being part of the name; then "_scrambled.bin" or "_unscrambled.bin".
std::string ResultPath(const std::string& path, Form target) {
  const PathStyle style = NativePathStyle();
  return PathIn(ContainingFolder(path, style), ResultName(TitleStem(FileTitle(path, style)), target), style);
}

// How a binary becomes the requested form; nothing where it is in that form already, unless it is
// to be written out as a new file whatever its form (`extract`).
std::optional<ConversionPlan> Plan(std::span<const std::byte> bytes, const ConvertOptions& options, bool extract) {
  try {
    if (extract) return PlanExtraction(bytes, options.target, options.force);
    return PlanConversionOf(bytes, options.target, options.force);
  } catch (const FormRefusal& refusal) {
    if (!refusal.forcible()) throw;
    throw RunTimeError(refusal.number(), std::string(refusal.description()) + "; --force makes it " +
                                             std::string(FormText(options.target)) + " anyway");
  }
}

// Converts one file, `opened` as the run opened it; returns the line that says what became of it.
std::string Convert(const std::string& path, OpenedInputs& opened, std::size_t index, const ConvertOptions& options,
                    RunFiles& run) {
  if (KindByName(path) == FileKind::IpBinByName) {
    throw RunTimeError(error::kInvalidArgument, std::string(kIpBinRefusal));
  }
  const std::string requested(FormText(options.target));
  const std::string output = options.output ? *options.output : ResultPath(path, options.target);
  // The input first: a folder or a missing file is the input's fault, whatever the output's name.
  // A disc image's boot file is written out in either form: the result is a new file even where the
  // boot file is in that form already.
  if (const std::unique_ptr<OpenedDisc> image = opened.Take(index)) {
    const DiscBootFile disc = SayingReasonAlone(
        [&] { return AsRunTimeError([&] { return BootOfContents(image->Contents(), image->files()); }); });
    const ConversionPlan plan = *Plan(disc.boot.bytes, options, true);
    run.RequireFree(path, output, options.output.has_value());
    WriteResult(disc.boot.bytes, plan, output, options.force || options.output.has_value(), nullptr);
    run.Written(path, output);
    return ShownPath(path) + ": wrote " + ShownPath(output) + " (its " + EscapeControls(disc.boot.header.boot_file) +
           ", " + plan.description + ")";
  }
  const FileSource file(path);
  const FileKind kind = SayingReasonAlone([&] { return KindOfFile(file, path); });
  const FileContents image = MapWholeFile(path);
  if (kind == FileKind::Elf) {
    // objcopy would write a sparse file of gigabytes before anyone could stop it.
    RefuseSectionsTooFarApart(image.bytes());
    image.RequireWhole();
    run.RequireFree(path, output, options.output.has_value());
    const std::string objcopy = FindObjcopy();
    const TemporaryFile raw(TemporaryNameFor(output, RandomTag()));
    RunObjcopy(objcopy, path, raw.path());
    const FileContents raw_image = MapWholeFile(raw.path());
    WriteResult(raw_image.bytes(), ConversionPlan{options.target == Form::Scrambled, 0, ""}, output,
                options.force || options.output.has_value(), &raw_image);
    run.Written(path, output);
    return ShownPath(path) + ": wrote " + ShownPath(output) + " (an ELF file, through sh-elf-objcopy" +
           (options.target == Form::Scrambled ? ", then scrambled)" : ")");
  }
  std::optional<ConversionPlan> plan;
  UsingWhole(image, [&] {
    SayingReasonAlone([&] { RefuseUnreadableDisc(image.bytes(), path); });
    plan = Plan(image.bytes(), options, false);
  });
  if (!plan) return ShownPath(path) + ": already " + requested + "; nothing written (--force converts it anyway)";
  run.RequireFree(path, output, options.output.has_value());
  WriteResult(image.bytes(), *plan, output, options.force || options.output.has_value(), &image);
  run.Written(path, output);
  return ShownPath(path) + ": wrote " + ShownPath(output) + " (" + plan->description + ")";
}

}  // namespace

int RunConvert(const std::vector<std::string>& paths, const ConvertOptions& options, std::ostream& out,
               std::ostream& err) {
  int status = kExitAllDone;
  // Each disc image is opened once, for the whole run: what its files are (which no result may
  // replace) and its boot file.
  OpenedInputs inputs(paths);
  RunFiles run(paths, [&](const std::string& input) { return inputs.FilesOf(input); });
  for (std::size_t index = 0; index < paths.size(); ++index) {
    const std::string& path = paths[index];
    const auto report = [&](const std::string& name, const char* description) {
      err << "quillet: " << ShownPath(name) << ": " << description << std::endl;
      status = kExitSomeFailed;
    };
    for (const std::string& leftover :
         LeftoversOf(options.output ? *options.output : ResultPath(path, options.target))) {
      err << "quillet: " << leftover << std::endl;
    }
    try {
      // Each line is out before the next file starts: an interrupted run still says what it wrote.
      out << AsRunTimeError([&] { return Convert(path, inputs, index, options, run); }) << std::endl;
    } catch (const RunTimeError& failure) {
      report(path, failure.description());
    }
  }
  return status;
}

}  // namespace quillet
