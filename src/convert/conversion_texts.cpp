#include "convert/conversion_texts.h"

namespace quillet {
namespace {

std::string Quoted(const std::string& text) { return "\"" + text + "\""; }

}  // namespace

std::string_view ToolCommandName(Tool tool) {
  return tool == Tool::Dcscram ? "tools/dcscram.exe" : "tools/sh-elf-objcopy.exe";
}

ToolRun DcscramRun(const std::string& program, bool unscramble, const std::string& input, const std::string& output) {
  ToolRun run{program, {}, std::string(ToolCommandName(Tool::Dcscram)) + (unscramble ? " -d " : " ")};
  if (unscramble) run.arguments.push_back("-d");
  run.arguments.insert(run.arguments.end(), {input, output});
  run.command_line += Quoted(input) + " " + Quoted(output);
  return run;
}

ToolRun ObjcopyRun(const std::string& program, const std::string& input, const std::string& output) {
  return {program,
          {"-O", "binary", input, output},
          std::string(ToolCommandName(Tool::Objcopy)) + " -O binary " + Quoted(input) + " " + Quoted(output)};
}

std::string CompletedMessage(bool scrambled, const std::string& name) {
  return std::string(scrambled ? "The unscrambled to scrambled conversion has"
                               : "The scrambled to unscrambled conversion has") +
         "\r\nbeen completed!\r\n\r\n" + name + std::string(scrambled ? kScrambledSuffix : kUnscrambledSuffix) +
         " is the file name!";
}

std::string DoneMessage(bool scrambled, const std::string& name) {
  return "Done! " + name + ".elf has been converted to " + name +
         std::string(scrambled ? kScrambledSuffix : kUnscrambledSuffix) + ".";
}

}  // namespace quillet
