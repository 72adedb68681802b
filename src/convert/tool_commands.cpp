#include "convert/tool_commands.h"

namespace quillet {
namespace {

std::string Quoted(const std::string& text) { return "\"" + text + "\""; }

}  // namespace

std::string ToolFileName(Tool tool, PathStyle style) {
  return std::string(tool == Tool::Dcscram ? "dcscram" : "sh-elf-objcopy") +
         (style == PathStyle::Windows ? ".exe" : "");
}

std::string ToolPath(std::string_view program_folder, Tool tool, PathStyle style) {
  const char* separator = style == PathStyle::Windows ? "\\" : "/";
  return std::string(program_folder) + separator + "tools" + separator + ToolFileName(tool, style);
}

// Always as on Windows: it is what the messages show.
std::string ToolCommandName(Tool tool) { return "tools/" + ToolFileName(tool, PathStyle::Windows); }

ToolRun DcscramRun(const std::string& program, bool unscramble, const std::string& input, const std::string& output) {
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

std::string ResultName(std::string_view base_name, bool scrambled) {
  return std::string(base_name) + (scrambled ? "_scrambled.bin" : "_unscrambled.bin");
}

}  // namespace quillet
