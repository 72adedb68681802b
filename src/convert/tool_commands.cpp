#include "convert/tool_commands.h"

#include "util/text_rules.h"

namespace quillet {
namespace {

std::string Quoted(const std::string& text) { return "\"" + text + "\""; }

}  // namespace

std::string ToolReason(std::string_view errors, std::string_view tool) {
  while (!errors.empty() && (errors.back() == '\n' || errors.back() == '\r' || errors.back() == ' ')) {
    errors.remove_suffix(1);
  }
  std::string_view line = errors.substr(errors.rfind('\n') == std::string_view::npos ? 0 : errors.rfind('\n') + 1);
  // "sh-elf-objcopy: game.elf: file format not recognized", or "tools/sh-elf-objcopy.exe: ..."
  std::string_view stem = tool;
  if (stem.ends_with(".exe")) stem.remove_suffix(4);
  if (const std::size_t colon = line.find(": "); colon != std::string_view::npos) {
    const std::string_view head = line.substr(0, colon);
    if (head.ends_with(stem) || head.ends_with(std::string(stem) + ".exe")) line.remove_prefix(colon + 2);
  }
  return EscapeControls(line);
}

std::string ToolFileName(Tool tool, PathStyle style) {
  return std::string(tool == Tool::Dcscram ? "dcscram" : "sh-elf-objcopy") +
         (style == PathStyle::Windows ? ".exe" : "");
}

std::string ToolPath(std::string_view program_folder, Tool tool, PathStyle style) {
  return PathIn(PathIn(std::string(program_folder), "tools", style), ToolFileName(tool, style), style);
}

// Always as on Windows: it is what the messages show.
std::string ToolCommandName(Tool tool) { return "tools/" + ToolFileName(tool, PathStyle::Windows); }

ToolRun DcscramRun(const std::string& program, Form target, const std::string& input, const std::string& output) {
  const bool unscramble = target == Form::Unscrambled;
  ToolRun run{program, {}, ToolCommandName(Tool::Dcscram) + (unscramble ? " -d " : " ")};
  if (unscramble) run.arguments.push_back("-d");
  run.arguments.insert(run.arguments.end(), {input, output});
  run.command_line += Quoted(input) + " " + Quoted(output);
  return run;
}

ToolRun ObjcopyRun(const std::string& program, const std::string& input, const std::string& output) {
  return {program,
          {"-O", "binary", input, output},
          ToolCommandName(Tool::Objcopy) + " -O binary " + Quoted(input) + " " + Quoted(output)};
}

RunTimeError ToolError(std::string_view tool, const std::string& what) {
  return RunTimeError(error::kPathFileAccessError, "Path/File access error: " + std::string(tool) + " " + what);
}

void RequireToolSucceeded(const ToolOutcome& outcome, std::string_view tool) {
  if (!outcome.started) throw ToolError(tool, "could not be started (" + outcome.failure + ")");
  if (!outcome.failure.empty()) throw ToolError(tool, "was stopped before it finished (" + outcome.failure + ")");
  if (outcome.exit_code != 0) {
    const std::string reason = ToolReason(outcome.errors, tool);
    throw ToolError(
        tool, "failed with exit code " + std::to_string(outcome.exit_code) + (reason.empty() ? "" : ": " + reason));
  }
}

std::string ResultName(std::string_view base_name, Form target) {
  return std::string(base_name) + "_" + std::string(FormText(target)) + ".bin";
}

}  // namespace quillet
