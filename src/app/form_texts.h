#pragma once

#include <string>
#include <string_view>

// The texts of the main window and its boxes that more than one handler or front end uses.
namespace quillet {

inline constexpr std::string_view kApplicationTitle = "Quillet";
inline constexpr std::string_view kWindowCaption = "Quillet 1.5";

// All three boxes start with it; in the type box it means nothing was scanned yet.
inline constexpr std::string_view kInitialBoxText = "Please select a bin to scan...";
inline constexpr std::string_view kElfNotice = "ELF binary, please convert.";

inline constexpr std::string_view kOpenTitle = "Open";
inline constexpr std::string_view kOpenFilterName = "Dreamcast binaries (*.bin; *.elf)";
inline constexpr std::string_view kOpenFilterPatterns = "*.bin;*.elf";

// The About box: its title and fifteen lines. The addresses are kept here and nowhere else.
inline constexpr std::string_view kAuthorEmail = "tarquell@quillet.org";
inline constexpr std::string_view kAuthorWebPage = "https://quillet.org/";
inline constexpr std::string_view kAboutTitle = "About...";
std::string AboutText();

inline constexpr std::string_view kShellQuestion = "Are you sure?";
inline constexpr std::string_view kShellQuestionTitle = "Continue?";
inline constexpr std::string_view kShellDone = "Quillet is now integrated into right-click menus.";
inline constexpr std::string_view kShellDoneTitle = "Success";
inline constexpr std::string_view kShellFailed = "Quillet could not be integrated into right-click menus.";

// The report of a run-time error: "Random error number N", CR LF, the description.
std::string ErrorReportText(int number, std::string_view description);

}  // namespace quillet
