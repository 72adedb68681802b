#pragma once

#include <string>
#include <string_view>

#include "inspect/judgement.h"
#include "util/path_rules.h"
#include "util/run_time_error.h"
#include "util/tool_run.h"

// The tools of a conversion, their command lines, and the names of the results.
namespace quillet {

enum class Tool { Dcscram, Objcopy };

// The tool's file name in the tools folder: "dcscram.exe" on Windows, "dcscram" elsewhere.
std::string ToolFileName(Tool tool, PathStyle style);

// The tool's full path: the tools folder beside the program in `program_folder`.
std::string ToolPath(std::string_view program_folder, Tool tool, PathStyle style);

// How the command line names a tool: a path relative to the program's folder, as users know it.
std::string ToolCommandName(Tool tool);

// `dcscram [-d] "input" "output"`, the tool started from `program` (its full path): output in the
// `target` form, Form::Scrambled or Form::Unscrambled (-d).
ToolRun DcscramRun(const std::string& program, Form target, const std::string& input, const std::string& output);

// `sh-elf-objcopy -O binary "input" "output"`: an SH ELF file into a raw binary.
ToolRun ObjcopyRun(const std::string& program, const std::string& input, const std::string& output);

// Run-time error 75, "Path/File access error: " and what went wrong with `tool` (its file name).
RunTimeError ToolError(std::string_view tool, const std::string& what);

// The tool's own reason, from what it wrote to its standard error: its last line, without the
// "tool: " its messages begin with, its control characters escaped; empty where it wrote none.
std::string ToolReason(std::string_view errors, std::string_view tool);

// Raises ToolError unless `outcome` says the tool started and ended by itself with exit code 0; a
// failure's message ends with the tool's own reason.
void RequireToolSucceeded(const ToolOutcome& outcome, std::string_view tool);

// A result's file name: the input's base name and "_scrambled.bin" or "_unscrambled.bin" for the
// `target` form.
std::string ResultName(std::string_view base_name, Form target);

}  // namespace quillet
