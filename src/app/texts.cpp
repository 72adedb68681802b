#include "app/texts.h"

#include <algorithm>
#include <cctype>
#include <iterator>
#include <utility>

#include "convert/tool_commands.h"
#include "formats/disc_formats.h"
#include "shell/shell_verbs.h"
#include "util/run_time_error.h"
#include "util/text_rules.h"

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
  return {{"Files Quillet reads (*.bin; *.elf; " + FormatPatterns("; ") + ")", "*.bin;*.elf;" + FormatPatterns(";")},
          {"Dreamcast binaries (*.bin; *.elf)", "*.bin;*.elf"},
          {"Disc images (" + FormatPatterns("; ") + ")", FormatPatterns(";")},
          {"All files (*.*)", "*"}};
}

std::string ReplaceQuestionText(const std::string& name) { return name + " exists. Replace it?"; }

std::string FixedCopyText(const std::string& path) { return "A fixed copy has been written:\r\n" + path; }

std::string DiscLineText(const std::string& image_words, const std::string& boot_file, const std::string& summary) {
  std::string text = image_words;
  text.append(" (boot file ").append(boot_file).append("): ").append(summary).append(".");
  if (!text.empty()) text[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(text[0])));
  return text;
}

std::string BootFileSizeText(const std::string& size) { return size + " (boot file)"; }

namespace {

// Each verb of the right-click entries once, in their order, with the endings it is offered for.
std::vector<std::pair<std::string, std::vector<std::string>>> VerbsAndEndings() {
  std::vector<std::pair<std::string, std::vector<std::string>>> verbs;
  for (const ShellVerb& each : ShellVerbs()) {
    const auto known =
        std::find_if(verbs.begin(), verbs.end(), [&](const auto& verb) { return verb.first == each.verb; });
    if (known == verbs.end()) {
      verbs.push_back({std::string(each.verb), {each.extension}});
    } else {
      known->second.push_back(each.extension);
    }
  }
  return verbs;
}

std::string Quoted(const std::string& text) {
  std::string quoted = "\"";
  return quoted.append(text).append("\"");
}

}  // namespace

std::string ShellQuestionText() {
  std::vector<std::string> entries;
  for (const auto& [verb, endings] : VerbsAndEndings()) {
    std::string entry = Quoted(verb);
    entry.append(entries.empty() ? " to the right-click menu of " : " to that of ")
        .append(ListWords(endings))
        .append(" files");
    entries.push_back(entry);
  }
  return "This adds " + ListWords(entries, ", and ") +
         ", for you alone. No file changes its type or its program.\r\n\r\n"
         "Options > Remove right-click entries takes them away again. Go on?";
}

std::string ShellRemovalQuestionText() {
  std::vector<std::string> verbs;
  for (const auto& verb : VerbsAndEndings()) verbs.push_back(Quoted(verb.first));
  return "This takes " + ListWords(verbs) + " off your right-click menus. Go on?";
}

std::string WriteFailureText(const std::string& path, int number, std::string_view reason) {
  std::string why;
  switch (number) {
    case error::kPermissionDenied: why = "permission denied"; break;
    case error::kDiskFull: why = "the disk is full"; break;
    case error::kPathNotFound: why = "its folder is not there"; break;
    default: {
      why = std::string(reason);
      constexpr std::string_view kAccess = "Path/File access error: ";
      if (why.starts_with(kAccess)) why.erase(0, kAccess.size());
      if (!why.empty()) why[0] = static_cast<char>(std::tolower(static_cast<unsigned char>(why[0])));
    }
  }
  while (!why.empty() && why.back() == '.') why.pop_back();
  return "Could not write " + path + ": " + why + ".";
}

std::string UnprovenQuestionText(Form form, const std::string& title, Form target, const std::string& result) {
  const std::string what = form == Form::NotAProgram
                               ? title + " is not a Dreamcast program: its bytes are no SH-4 machine code in any form."
                               : "Quillet cannot tell whether " + title +
                                     " is a program, or which form it is in: it is empty, uniform, very small or as "
                                     "random as compressed data.";
  return what + "\r\n\r\n" + (target == Form::Scrambled ? "Scramble" : "Unscramble") + " it into " + result +
         " anyway?";
}

std::string WrittenAsAskedText(const std::string& title, const std::string& result) {
  return result + " has been written from " + title + ", as asked. Quillet could not tell that it is a program.";
}

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
