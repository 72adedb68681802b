#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "app/window.h"
#include "inspect/file_kind.h"
#include "inspect/judgement.h"  // the IP.BIN refusal, which every program gives, lives beside its rule

// Every text the window shows, in one place: captions, box texts, messages and their titles.
namespace quillet {

inline constexpr std::string_view kApplicationTitle = "Quillet";
// The window's fixed caption, as users know the window: not the version, which project() sets.
inline constexpr std::string_view kWindowCaption = "Quillet 1.5";

// All three boxes start with it; in the type box it means nothing was scanned yet.
inline constexpr std::string_view kInitialBoxText = "Please select a bin to scan...";
inline constexpr std::string_view kElfNotice = "ELF binary, please convert.";
// The type box for a file the judgement finds is no program, or whose form it cannot tell.
inline constexpr std::string_view kNotAProgramVerdict = "NOT A PROGRAM";
inline constexpr std::string_view kUndecidedVerdict = "UNDECIDED";
// The disc box for a file that is no disc image.
inline constexpr std::string_view kNoDisc = "Not a disc image";

// The disc box for a disc image: the image in words, its boot file and its boot report's summary,
// "A CDI image (boot file 1ST_READ.BIN): will boot from a CD-R."
std::string DiscLineText(const std::string& image_words, const std::string& boot_file, const std::string& summary);
// The size box for a disc image, whose size shown is its boot file's: "1.2 KB (boot file)", short
// enough for the box; the disc's line names the boot file.
std::string BootFileSizeText(const std::string& size);

inline constexpr std::string_view kOpenTitle = "Open";
// The open dialog's kinds of file, a name and its patterns each: every file Quillet reads (the one
// the dialog starts on), Dreamcast binaries, the disc images of the table of formats, all files.
std::vector<FileFilter> OpenFilters();

// The About box: its title and fifteen lines. The addresses are kept here and nowhere else.
inline constexpr std::string_view kAuthorEmail = "tarquell@quillet.org";
inline constexpr std::string_view kAuthorWebPage = "https://quillet.org/";
inline constexpr std::string_view kAboutTitle = "About...";
std::string AboutText();

// The question before the right-click entries are written: what will change, entry by entry.
std::string ShellQuestionText();
inline constexpr std::string_view kShellQuestionTitle = "Continue?";
inline constexpr std::string_view kShellDone = "Quillet is now integrated into right-click menus.";
inline constexpr std::string_view kShellDoneTitle = "Success";
inline constexpr std::string_view kShellFailed = "Quillet could not be integrated into right-click menus.";
// And before they are taken away again.
std::string ShellRemovalQuestionText();
inline constexpr std::string_view kShellRemoved = "Quillet's right-click entries have been removed.";
inline constexpr std::string_view kShellRemovalFailed = "Quillet's right-click entries could not all be removed.";

// The report of a run-time error: "Random error number N", CR LF, the description.
std::string ErrorReportText(int number, std::string_view description);
// The description of a failure to write the result `path`, which names it and says what failed:
// "Could not write C:\games\dk_unscrambled.bin: permission denied." `reason` is the failure's own
// description.
std::string WriteFailureText(const std::string& path, int number, std::string_view reason);

// The message of a disc that would not start its boot file: "This disc will not boot:", then each
// problem's sentence on a line of its own, as a sentence.
std::string DiscProblemsText(const std::vector<std::string>& problems);
// The question that ends that box where quillet fix mends the disc: "Write a fixed copy,
// dk_fixed.cdi, beside it?"
std::string FixQuestionText(const std::string& fixed_name);
// What is asked before a result replaces a file of its name: "dk_fixed.cdi exists. Replace it?"
std::string ReplaceQuestionText(const std::string& name);
// The box after it: "A fixed copy has been written:" and the copy's path.
std::string FixedCopyText(const std::string& path);

// What Convert asks before it writes from a file the judgement finds is no program (`form`), or whose
// form it cannot tell: `title` is the file's name, `result` the result's.
std::string UnprovenQuestionText(Form form, const std::string& title, Form target, const std::string& result);
// The box after such a file was converted as asked: never "completed".
std::string WrittenAsAskedText(const std::string& title, const std::string& result);

// The message after Convert turned a binary into its other form; `name` is the file's base name.
std::string CompletedMessage(Form target, const std::string& name);
inline constexpr std::string_view kCompletedTitle = "Completed...";

// The message after an ELF file was converted: the file's own name (`title`, "game.elf", or
// "elf.bin" for one known by its content), and the result's, made from `name`, its name up to the
// first dot.
std::string DoneMessage(Form target, const std::string& title, const std::string& name);
inline constexpr std::string_view kDoneTitle = "Success";

inline constexpr std::string_view kLoadFirst = "Please load a bin before trying to convert!";
inline constexpr std::string_view kLoadFirstTitle = "Halt!";

inline constexpr std::string_view kElfQuestion = "Do you wish for a scrambled or unscrambled binary?";
inline constexpr std::string_view kElfQuestionTitle = "Converting an ELF";

// What a handler that failed unexpectedly reports, before the failure's own words.
inline constexpr std::string_view kUnexpectedProblem = "Quillet met an unexpected problem: ";

}  // namespace quillet
