#include "app/texts.h"

#include <cctype>
#include <iterator>

#include "convert/tool_commands.h"
#include "formats/disc_formats.h"

namespace quillet {

std::string AboutText() {
  const std::string lines[] = {
      "This program was made to scan the specified",
      "1st_read.bin file and tell the user if the file is a ",
      "scrambled or an unscrambled binary.",
      "",
      "This program was created by Tarquell.",
      "Questions/Comments/Bug Reports? Please",
      "send away to '" + std::string(kAuthorEmail) + "'.",
      "",
      "Thank you for downloading this program, I",
      "hope you find it useful!",
      "",
      "For more information on scrambled/unscrambled",
      "binaries, please check out my webpage.",
      "",
      std::string(kAuthorWebPage),
  };
  std::string text = lines[0];
  for (std::size_t line = 1; line < std::size(lines); ++line) text += "\r\n" + lines[line];
  return text;
}

std::string DiscProblemsText(const std::vector<std::string>& problems) {
  // Each problem a paragraph of its own: a wrapped line is never run into the next.
  std::string text = "This disc will not boot:";
  for (std::string problem : problems) {
    if (!problem.empty()) problem[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(problem[0])));
    text += "\r\n\r\n" + problem + ".";
  }
  return text;
}

std::string FixQuestionText(const std::string& fixed_name) {
  return "Write a fixed copy, " + fixed_name + ", beside it?";
}

std::vector<FileFilter> OpenFilters() {
  return {{"Dreamcast binaries (*.bin; *.elf)", "*.bin;*.elf"},
          {"Disc images (" + FormatPatterns("; ") + ")", FormatPatterns(";")},
          {"All files (*.*)", "*"}};
}

std::string ReplaceQuestionText(const std::string& name) { return name + " exists. Replace it?"; }

std::string FixedCopyText(const std::string& path) { return "A fixed copy has been written:\r\n" + path; }

std::string ErrorReportText(int number, std::string_view description) {
  return "Random error number " + std::to_string(number) + "\r\n" + std::string(description);
}

std::string CompletedMessage(Form target, const std::string& name) {
  return std::string(target == Form::Scrambled ? "The unscrambled to scrambled conversion has"
                                               : "The scrambled to unscrambled conversion has") +
         "\r\nbeen completed!\r\n\r\n" + ResultName(name, target) + " is the file name!";
}

std::string DoneMessage(Form target, const std::string& title, const std::string& name) {
  return "Done! " + title + " has been converted to " + ResultName(name, target) + ".";
}

}  // namespace quillet
