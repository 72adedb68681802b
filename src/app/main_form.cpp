#include "app/main_form.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <random>

#include "app/form_texts.h"
#include "convert/conversion_texts.h"
#include "inspect/file_kind.h"
#include "inspect/signatures.h"
#include "shell/shell_verbs.h"

namespace quillet {
namespace {

std::string Text(std::string_view text) { return std::string(text); }

std::string AsciiUpper(std::string text) {
  for (char& c : text) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return text;
}

}  // namespace

std::string CommandLinePath(const std::string& text) {
  if (text.size() >= 2 && text.front() == '"' && text.find('"', 1) == text.size() - 1) {
    return text.substr(1, text.size() - 2);
  }
  return text;
}

std::string SettingText(float value, const std::string& decimal_separator) {
  if (value == std::trunc(value) && std::fabs(value) < 1e9f) {
    return std::to_string(static_cast<long long>(value));
  }
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "%.7g", static_cast<double>(value));
  std::string text = buffer;
  if (const std::size_t point = text.find('.'); point != std::string::npos) text.replace(point, 1, decimal_separator);
  return text;
}

void MainForm::Form_Load() {
  buttons_.SetButtonCaption(1, {"Scrambled", 1, kActive});
  buttons_.SetButtonCaption(2, {"Unscrambled", 0, kActive});
  // Both looked for every time; either one missing disables Convert for the whole run.
  if (!platform_.ToolPresent(platform_.ToolPath(Tool::Dcscram))) platform_.EnableConvert(false);
  if (!platform_.ToolPresent(platform_.ToolPath(Tool::Objcopy))) platform_.EnableConvert(false);
  CommandLineEntry();
}

void MainForm::CommandLineEntry() {
  const std::string text = CommandLinePath(platform_.CommandLineText());
  try {
    if (text.empty()) return;
    if (platform_.FileExists(text)) {
      kept_path_ = text;
      kept_separator_ = PathSeparator(text, platform_.Style());
    }
    if (IsElfName(text)) StartupConversion(text);
    StartupScan(text);
  } catch (const RunTimeError& failure) {
    ShowErrorReport(failure);
  }
}

void MainForm::StartupScan(const std::string& path) {
  // The file's name decides, as with Browse: "myip.bin" is scanned.
  if (IsIpBinTitle(FileTitle(path, platform_.Style()))) {
    platform_.ShowMessage(Text(kIpBinRefusal), message_type::kCritical, Text(kIpBinRefusalTitle));
    EndAtOnce();
  }
  platform_.SetBoxText(TextBox::FileName, path);
  const ScanImage image = platform_.ReadImage(path);
  platform_.SetBoxText(TextBox::Type, Text(VerdictText(ScanSignatures(image.bytes(), StartupSignatures()))));
  ShowFileSize();
}

void MainForm::StartupConversion(const std::string& path) {
  const std::optional<bool> scrambled = AskElfQuestion();
  if (!scrambled) EndAtOnce();
  // Raises run-time error 5 when the file does not exist (nothing was kept) or has no folder.
  ParentPath(kept_path_, kept_separator_, -1);
  const std::optional<std::string> folder = ContainingFolder(kept_path_, platform_.Style());
  const std::string name = BaseName(path, platform_.Style());
  ConvertElf(path, folder, name, *scrambled);
  platform_.ShowMessage(DoneMessage(*scrambled, name), message_type::kInformation, Text(kDoneTitle));
  EndAtOnce();
}

void MainForm::Command1_Click() {
  const OpenFileRequest request{Text(kOpenTitle), Text(kOpenFilterName), Text(kOpenFilterPatterns)};
  while (true) {
    const std::optional<ChosenFile> chosen = platform_.ChooseFile(request);
    if (!chosen || chosen->path.empty()) return;
    if (IsIpBinTitle(chosen->title)) {
      platform_.ShowMessage(Text(kIpBinRefusal), message_type::kCritical, Text(kIpBinRefusalTitle));
      continue;
    }
    platform_.SetBoxText(TextBox::FileName, chosen->path);
    try {
      if (IsElfName(chosen->title)) {
        platform_.SetBoxText(TextBox::Type, Text(kElfNotice));
        ShowFileSize();
        return;
      }
      const ScanImage image = platform_.ReadImage(chosen->path);
      platform_.SetBoxText(TextBox::Type, Text(VerdictText(ScanSignatures(image.bytes(), BrowseSignatures()))));
      ShowFileSize();
    } catch (const RunTimeError& failure) {
      // Never the new path beside the previous file's verdict: Convert would act on it.
      platform_.SetBoxText(TextBox::Type, Text(kInitialBoxText));
      platform_.SetBoxText(TextBox::Size, Text(kInitialBoxText));
      ShowErrorReport(failure);
    }
    return;
  }
}

void MainForm::ShowFileSize() {
  const std::int64_t bytes = platform_.FileLength(platform_.BoxText(TextBox::FileName));
  platform_.SetBoxText(TextBox::Size, SizeText(bytes, platform_.LocaleSeparators()));
}

void MainForm::Command3_Click() {
  const std::string path = platform_.BoxText(TextBox::FileName);
  try {
    const std::string verdict = platform_.BoxText(TextBox::Type);
    if (verdict == kInitialBoxText) {
      platform_.ShowMessage(Text(kLoadFirst), message_type::kCritical, Text(kLoadFirstTitle));
      return;
    }
    // The results land beside the input; a bare name has its folder in the current one.
    const std::optional<std::string> folder = ContainingFolder(path, platform_.Style());

    if (verdict == kElfNotice) {
      const std::optional<bool> scrambled = AskElfQuestion();
      if (!scrambled) return;
      const std::string name = BaseName(path, platform_.Style());
      ConvertElf(path, folder, name, *scrambled);
      platform_.ShowMessage(DoneMessage(*scrambled, name), message_type::kInformation, Text(kDoneTitle));
      return;
    }
    const bool scramble = AsciiUpper(verdict) == VerdictText(ScrambleVerdict::Unscrambled);
    const std::string name = BaseName(path, platform_.Style());
    const std::string output = ResultPath(folder, name + Text(scramble ? kScrambledSuffix : kUnscrambledSuffix));
    RunTool(DcscramRun(platform_.ToolPath(Tool::Dcscram), !scramble, path, output), output);
    platform_.ShowMessage(CompletedMessage(scramble, name), message_type::kInformation, Text(kCompletedTitle));
  } catch (const RunTimeError& failure) {
    ShowErrorReport(failure);
  }
}

std::optional<bool> MainForm::AskElfQuestion() {
  const int answer = platform_.AskRelabelled(Text(kElfQuestion), message_type::kYesNoCancelQuestion,
                                             Text(kElfQuestionTitle), buttons_);
  if (answer == answer::kYes) return true;
  if (answer == answer::kNo) return false;
  return std::nullopt;  // Cancel, and a question that never appeared
}

void MainForm::ConvertElf(const std::string& path, const std::optional<std::string>& folder, const std::string& name,
                          bool scrambled) {
  const std::string output = ResultPath(folder, name + Text(scrambled ? kScrambledSuffix : kUnscrambledSuffix));
  if (!scrambled) {
    RunTool(ObjcopyRun(platform_.ToolPath(Tool::Objcopy), path, output), output);
    return;
  }
  const std::string intermediate = FreshIntermediate(folder, name);
  try {
    RunTool(ObjcopyRun(platform_.ToolPath(Tool::Objcopy), path, intermediate), intermediate);
    RunTool(DcscramRun(platform_.ToolPath(Tool::Dcscram), false, intermediate, output), output);
  } catch (const RunTimeError&) {
    if (platform_.FileExists(intermediate)) {
      try {
        platform_.RemoveFile(intermediate);
      } catch (const RunTimeError&) {
        // The conversion's own failure is the one to report.
      }
    }
    throw;
  }
  platform_.RemoveFile(intermediate);
}

void MainForm::RunTool(const ToolRun& run, const std::string& output) {
  const std::string tool(FileTitle(run.program, platform_.Style()));
  // An earlier result of the same name must not pass for this run's.
  const std::optional<FileStamp> before = platform_.StampOf(output);
  const ToolOutcome outcome = platform_.RunTool(run);
  const auto fail = [&](const std::string& what) {
    throw RunTimeError(error::kPathFileAccessError, "Path/File access error: " + what);
  };
  if (!outcome.started) fail(tool + " could not be started (" + outcome.failure + ")");
  if (!outcome.failure.empty()) fail(tool + " was stopped before it finished (" + outcome.failure + ")");
  if (outcome.exit_code != 0) fail(tool + " failed with exit code " + std::to_string(outcome.exit_code));
  const std::optional<FileStamp> after = platform_.StampOf(output);
  if (!after || after == before) fail(tool + " wrote no file " + output);
}

std::string MainForm::ResultPath(const std::optional<std::string>& folder, const std::string& file) {
  if (!folder) return file;
  return *folder + (platform_.Style() == PathStyle::Windows ? "\\" : "/") + file;
}

// Never a name the user's own files may have: the raw binary a two-step conversion passes from
// one tool to the other would overwrite such a file and then delete it.
std::string MainForm::FreshIntermediate(const std::optional<std::string>& folder, const std::string& name) {
  static constexpr char kLetters[] = "abcdefghijklmnopqrstuvwxyz0123456789";
  std::random_device random;
  while (true) {
    std::string tag(8, ' ');
    for (char& c : tag) c = kLetters[random() % (sizeof kLetters - 1)];
    const std::string path = ResultPath(folder, "." + name + ".quillet-" + tag + ".bin");
    if (!platform_.FileExists(path)) return path;
  }
}

void MainForm::EndAtOnce() {
  platform_.EndAtOnce();
  std::abort();  // a platform's EndAtOnce never returns
}

void MainForm::ShowErrorReport(const RunTimeError& failure) {
  platform_.ShowMessage(ErrorReportText(failure.number(), failure.description()), message_type::kOk, "");
}

void MainForm::Form_Unload() {
  // Nothing here may stop the window from closing: each failure skips only its own step.
  try {
    const WindowPlacement placement = platform_.Placement();
    if (placement.state == WindowState::Minimised) return;
    const std::string decimal = platform_.LocaleSeparators().decimal;
    const std::pair<const char*, float> settings[] = {{"MainLeft", placement.left},
                                                      {"MainTop", placement.top},
                                                      {"MainWidth", placement.width},
                                                      {"MainHeight", placement.height}};
    for (const auto& [key, value] : settings) {
      try {
        platform_.WriteSetting("Settings", key, SettingText(value, decimal));
      } catch (const std::exception&) {
        // The settings are written only, never read: a failed write costs nothing.
      }
    }
  } catch (const std::exception&) {
    // No placement to be had: nothing to store.
  }
}

void MainForm::mnuFileExit_Click() { platform_.CloseWindow(); }

void MainForm::mnuHelpAbout_Click() {
  platform_.ShowMessage(AboutText(), message_type::kInformation, Text(kAboutTitle));
}

std::optional<std::string> MainForm::RegisterShellVerb(std::string_view extension, std::string_view verb,
                                                       const std::string& command) {
  try {
    platform_.WriteShellVerb(Text(extension), Text(verb), ShellCommandLine(command));
    return std::nullopt;
  } catch (const RunTimeError& failure) {
    return failure.description();
  }
}

void MainForm::mnuOptionsShell_Click() {
  // Only a Yes writes anything; a box that could not be shown is no Yes.
  if (platform_.ShowMessage(Text(kShellQuestion), message_type::kYesNo, Text(kShellQuestionTitle)) != answer::kYes) {
    return;
  }
  const std::string command =
      ShellCommand(ExecutablePath(platform_.ExecutableFolder(), platform_.ExecutableName(), platform_.Style()));
  std::string failures;
  for (const ShellVerb& verb : kShellVerbs) {
    if (const std::optional<std::string> failure = RegisterShellVerb(verb.extension, verb.verb, command)) {
      failures += "\r\n" + Text(verb.verb) + ": " + *failure;
    }
  }
  if (failures.empty()) {
    platform_.ShowMessage(Text(kShellDone), message_type::kInformation, Text(kShellDoneTitle));
  } else {
    platform_.ShowMessage(Text(kShellFailed) + failures, message_type::kCritical, "");
  }
}

}  // namespace quillet
