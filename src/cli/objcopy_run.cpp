#include "cli/objcopy_run.h"

#include <utility>

#include "convert/elf_raw.h"
#include "convert/tool_commands.h"
#include "sys/file_system.h"
#include "sys/interrupt_cleanup.h"
#include "sys/replacement_file.h"
#include "sys/tool_runner.h"
#include "util/path_rules.h"
#include "util/run_time_error.h"
#include "util/text_rules.h"

namespace quillet {

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

TemporaryFile::TemporaryFile(std::string path) : path_(std::move(path)) { RemoveOnInterrupt(path_); }

TemporaryFile::~TemporaryFile() {
  try {
    if (FileExists(path_)) RemoveFile(path_);
  } catch (const RunTimeError&) {
    // Nothing more to do about a temporary file that will not go.
  }
  ForgetOnInterrupt(path_);
}

void RunObjcopy(const std::string& objcopy, const std::string& elf, const std::string& raw) {
  // A name that begins with "-" would be taken for an option.
  const std::string input = elf.starts_with('-') ? "./" + elf : elf;
  const std::string tool(FileTitle(objcopy, NativePathStyle()));
  RequireToolSucceeded(RunToolAndWait(ObjcopyRun(objcopy, input, raw)), tool);
  if (!FileExists(raw)) throw ToolError(tool, "wrote no file for " + elf);
}

std::vector<std::byte> RawBinaryThroughObjcopy(const std::string& elf, const std::string& folder) {
  {
    // objcopy would write a sparse file of gigabytes before anyone could stop it.
    const FileContents image = MapWholeFile(elf);
    RefuseSectionsTooFarApart(image.bytes());
    image.RequireWhole();
  }
  const std::string objcopy = FindObjcopy();
  const TemporaryFile raw(TemporaryNameFor(PathIn(folder, "raw.bin", NativePathStyle()), RandomTag()));
  RunObjcopy(objcopy, elf, raw.path());
  const FileContents bytes = ReadWholeFile(raw.path());
  return {bytes.bytes().begin(), bytes.bytes().end()};
}

}  // namespace quillet
