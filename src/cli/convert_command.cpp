#include <optional>
#include <vector>

#include "cli/commands.h"
#include "cli/quillet_command.h"
#include "convert/conversion_plan.h"
#include "convert/tool_commands.h"
#include "inspect/file_kind.h"
#include "inspect/scan_image.h"
#include "util/file_system.h"
#include "util/path_rules.h"
#include "util/replacement_file.h"
#include "util/run_time_error.h"
#include "util/text_rules.h"
#include "util/tool_runner.h"

namespace quillet {
namespace {

// GNU objcopy for SH: in tools/ beside this program, as the window keeps it, else on the PATH.
std::string FindObjcopy() {
  const PathStyle style = NativePathStyle();
  const std::string beside = ToolPath(ContainingFolder(ProgramPath(), style).value_or("."), Tool::Objcopy, style);
  if (IsPlainFile(beside)) return beside;
  const std::string name = ToolFileName(Tool::Objcopy, style);
  for (const std::string& folder : SearchPathFolders()) {
    const std::string candidate = PathIn(folder, name, style);
    if (IsPlainFile(candidate)) return candidate;
  }
  throw RunTimeError(error::kFileNotFound, "File not found: " + name +
                                               " is neither in tools/ beside quillet nor on "
                                               "the PATH (Debian: apt install binutils-sh-elf)");
}

// Removes a file on every way out.
class RemovedAtEnd {
 public:
  explicit RemovedAtEnd(std::string path) : path_(std::move(path)) {}
  RemovedAtEnd(const RemovedAtEnd&) = delete;
  RemovedAtEnd& operator=(const RemovedAtEnd&) = delete;
  ~RemovedAtEnd() {
    try {
      if (FileExists(path_)) RemoveFile(path_);
    } catch (const RunTimeError&) {
      // Nothing more to do about a temporary file that will not go.
    }
  }

 private:
  std::string path_;
};

// An SH ELF file's raw binary, through objcopy into a hidden file beside `output`.
std::vector<std::byte> RawBinaryOf(const std::string& elf, const std::string& output) {
  const std::string objcopy = FindObjcopy();
  const std::string raw = TemporaryNameFor(output, RandomTag());
  RemovedAtEnd removed(raw);
  RequireToolSucceeded(RunToolAndWait(ObjcopyRun(objcopy, elf, raw)), FileTitle(objcopy, NativePathStyle()));
  const FileContents bytes = ReadWholeFile(raw);
  return {bytes.bytes().begin(), bytes.bytes().end()};
}

void WriteWhole(const std::string& path, std::span<const std::byte> bytes) {
  ReplacementFile file(path);
  file.Write(bytes);
  file.Commit();
}

// Converts one file; returns the line that says what became of it.
std::string Convert(const std::string& path, const ConvertOptions& options) {
  const PathStyle style = NativePathStyle();
  if (IsIpBinTitle(FileTitle(path, style))) throw RunTimeError(error::kInvalidArgument, std::string(kIpBinRefusal));
  const std::string output = options.output ? *options.output
                                            : PathIn(ContainingFolder(path, style),
                                                     ResultName(BaseName(path, style), options.to_scrambled), style);
  const char* requested = options.to_scrambled ? "scrambled" : "unscrambled";

  const ScanImage image = MapScanImage(path);
  if (IsElfImage(image.bytes())) {
    image.RequireWhole();
    std::vector<std::byte> raw = RawBinaryOf(path, output);
    if (options.to_scrambled) raw = ApplyPlan(raw, ConversionPlan{true, 0, ""});
    WriteWhole(output, raw);
    return path + ": wrote " + output + " (an ELF file, through sh-elf-objcopy" +
           (options.to_scrambled ? ", then scrambled)" : ")");
  }
  const Form form = JudgeImage(image.bytes()).form;
  if (NeedsForce(form) && !options.force) {
    throw RunTimeError(error::kInvalidArgument,
                       std::string(FormRefusal(form).description()) + "; --force makes it " + requested + " anyway");
  }
  const std::optional<ConversionPlan> plan = PlanConversion(form, options.to_scrambled, options.force);
  if (!plan) {
    image.RequireWhole();
    return path + ": already " + requested + "; nothing written (--force converts it anyway)";
  }
  const std::vector<std::byte> result = ApplyPlan(image.bytes(), *plan);
  image.RequireWhole();
  WriteWhole(output, result);
  return path + ": wrote " + output + " (" + plan->says + ")";
}

}  // namespace

int RunConvert(const std::vector<std::string>& paths, const ConvertOptions& options, std::ostream& out,
               std::ostream& err) {
  int status = kExitAllDone;
  for (const std::string& path : paths) {
    try {
      out << Convert(path, options) << "\n";
    } catch (const RunTimeError& failure) {
      err << "quillet: " << path << ": " << failure.description() << "\n";
      status = kExitSomeFailed;
    }
  }
  return status;
}

}  // namespace quillet
