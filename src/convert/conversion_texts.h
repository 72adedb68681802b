#pragma once

#include <string>
#include <string_view>

#include "convert/tool_run.h"

// The command lines and messages of a conversion, worded once.
namespace quillet {

enum class Tool { Dcscram, Objcopy };

// How the command line names a tool: a path relative to the program's folder, as users know it.
std::string_view ToolCommandName(Tool tool);

// `dcscram [-d] "input" "output"`, the tool started from `program` (its full path).
ToolRun DcscramRun(const std::string& program, bool unscramble, const std::string& input, const std::string& output);

// `sh-elf-objcopy -O binary "input" "output"`: an SH ELF file into a raw binary.
ToolRun ObjcopyRun(const std::string& program, const std::string& input, const std::string& output);

// The message after Convert turned a binary into its other form; `name` is the file's base name.
std::string CompletedMessage(bool scrambled, const std::string& name);
inline constexpr std::string_view kCompletedTitle = "Completed...";

// The message after an ELF file was converted.
std::string DoneMessage(bool scrambled, const std::string& name);
inline constexpr std::string_view kDoneTitle = "Success";

inline constexpr std::string_view kLoadFirst = "Please load a bin before trying to convert!";
inline constexpr std::string_view kLoadFirstTitle = "Halt!";

inline constexpr std::string_view kElfQuestion = "Do you wish for a scrambled or unscrambled binary?";
inline constexpr std::string_view kElfQuestionTitle = "Converting an ELF";

// The suffixes of the results, after the base name.
inline constexpr std::string_view kScrambledSuffix = "_scrambled.bin";
inline constexpr std::string_view kUnscrambledSuffix = "_unscrambled.bin";

}  // namespace quillet
