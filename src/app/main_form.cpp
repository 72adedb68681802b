#include "app/main_form.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "app/texts.h"
#include "app/window_verdict.h"
#include "core/disc_file.h"
#include "disc/boot_report.h"
#include "inspect/file_kind.h"
#include "inspect/judgement.h"
#include "shell/shell_verbs.h"
#include "sys/replacement_file.h"
#include "util/text_rules.h"

namespace quillet {
namespace {

std::string ToString(std::string_view text) { return std::string(text); }

// `text` with every `name` in it replaced by `instead`.
std::string Renamed(std::string text, const std::string& name, const std::string& instead) {
  for (std::size_t at = 0; (at = text.find(name, at)) != std::string::npos; at += instead.size()) {
    text.replace(at, name.size(), instead);
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
  buttons_.SetButtonCaption(1, {"&Scrambled", 1, kFlagSet});
  buttons_.SetButtonCaption(2, {"&Unscrambled", 0, kFlagSet});
  // Both looked for every time; either one missing disables Convert for the whole run.
  if (!system_.ToolPresent(ToolPathOf(Tool::Dcscram))) window_.EnableConvert(false);
  if (!system_.ToolPresent(ToolPathOf(Tool::Objcopy))) window_.EnableConvert(false);
  CommandLineEntry();
}

void MainForm::CommandLineEntry() {
  const std::string text = CommandLinePath(system_.CommandLineText());
  try {
    if (text.empty()) return;
    if (system_.FileExists(text)) {
      kept_path_ = text;
      kept_separator_ = PathSeparator(text, system_.Style());
    }
    if (IsElfName(text)) StartupConversion(text);
    StartupScan(text);
  } catch (const RunTimeError& failure) {
    ShowErrorReport(failure);
  }
}

void MainForm::StartupScan(const std::string& path) {
  // The file's name decides, as with Browse: "myip.bin" is scanned.
  if (IsIpBinTitle(FileTitle(path, system_.Style()))) RefuseIpBinAndEnd();
  const Scanned scanned = Scan(path);
  // An ELF file under another name is converted as one named so.
  if (scanned.elf) StartupConversion(path);
  // An IP.BIN under another name is refused as one named so.
  if (scanned.judgement.form == Form::BootSector) RefuseIpBinAndEnd();
  ShowScanned(path, scanned);
}

MainForm::Scanned MainForm::Scan(const std::string& path) {
  Scanned scanned;
  try {
    scanned.disc = system_.OpenDisc(path);
    if (scanned.disc) {
      scanned.judgement = scanned.disc->judged.judgement;
      return scanned;
    }
    const FileContents image = system_.ReadImage(path);
    scanned.elf = IsElfImage(image.bytes());
    if (scanned.elf) return scanned;
    scanned.judgement = JudgeLooseFile(image.bytes(), path);
    return scanned;
  } catch (const RunTimeError& failure) {
    // A file that cannot be read still shows its path: the report then says what became of it.
    if (failure.number() != error::kInvalidArgument) window_.SetBoxText(TextBox::FileName, path);
    throw;
  }
}

void MainForm::ShowScanned(const std::string& path, const Scanned& scanned) {
  window_.SetBoxText(TextBox::FileName, path);
  judged_path_ = path;
  judged_disc_ = scanned.disc;
  judged_verdict_ = scanned.judgement.verdict;
  if (scanned.elf) {
    window_.SetBoxText(TextBox::Type, ToString(kElfNotice));
    ShowFileSize();
    window_.SetBoxText(TextBox::Disc, ToString(kNoDisc));
    return;
  }
  window_.SetBoxText(TextBox::Type, ToString(WindowVerdictText(scanned.judgement)));
  if (!scanned.disc) {
    ShowFileSize();
    window_.SetBoxText(TextBox::Disc, ToString(kNoDisc));
    return;
  }
  // A disc image's size shown is its boot file's, and says so; the disc's line says what its boot
  // report says, whether it boots, will not, or cannot be told, and what the image was read as.
  const JudgedDisc& judged = scanned.disc->judged;
  const std::int64_t size = static_cast<std::int64_t>(judged.disc.boot.bytes.size());
  window_.SetBoxText(TextBox::Size, BootFileSizeText(SizeText(size, system_.LocaleSeparators())));
  window_.SetBoxText(TextBox::Disc,
                     DiscLineText(DiscImageWords(judged.disc), EscapeControls(judged.disc.boot.header.boot_file),
                                  BootSummary(judged.disc, judged.checks)));
  std::vector<std::string> problems;
  for (const BootCheck& check : judged.checks) {
    if (check.result == CheckResult::Problem) problems.push_back(check.sentence);
  }
  if (!problems.empty()) ReportProblems(*scanned.disc, problems);
}

void MainForm::ReportProblems(ChosenDisc& disc, const std::vector<std::string>& problems) {
  const std::string& path = disc.path;
  std::optional<std::string> fixed;
  try {
    fixed = system_.FixedCopyName(disc);
  } catch (const RunTimeError&) {
    // Read a moment ago: an image that no longer reads is offered no copy.
  }
  if (!fixed) {
    window_.ShowMessage(DiscProblemsText(problems), message_kind::kWarning, ToString(kApplicationTitle));
    return;
  }
  const std::string question = DiscProblemsText(problems) + "\r\n\r\n" + FixQuestionText(*fixed);
  if (window_.ShowMessage(question, message_kind::kYesNoWarning, ToString(kApplicationTitle)) != Answer::Yes) return;
  const std::string copy = PathIn(ContainingFolder(path, system_.Style()), *fixed, system_.Style());
  const bool replace = system_.FileExists(copy);
  if (!MayReplace(copy)) return;
  try {
    window_.ShowMessage(FixedCopyText(system_.WriteFixedCopy(disc, replace)), message_kind::kInformation,
                        ToString(kDoneTitle));
  } catch (const RunTimeError& failure) {
    ShowErrorReport(WriteFailure(failure, copy, {}));
  }
}

bool MainForm::MayReplace(const std::string& output) {
  if (!system_.FileExists(output)) return true;
  return window_.ShowMessage(ReplaceQuestionText(std::string(FileTitle(output, system_.Style()))),
                             message_kind::kYesNoWarning, ToString(kApplicationTitle)) == Answer::Yes;
}

void MainForm::RefuseIpBinAndEnd() {
  RefuseIpBin();
  EndAtOnce();
}

void MainForm::RefuseIpBin() {
  window_.ShowMessage(ToString(kIpBinRefusal), message_kind::kCritical, ToString(kIpBinRefusalTitle));
}

void MainForm::StartupConversion(const std::string& path) {
  const std::optional<Form> target = AskElfQuestion();
  if (!target) EndAtOnce();
  // Raises run-time error 5 when the file does not exist (nothing was kept) or has no folder.
  ParentPath(kept_path_, kept_separator_, -1);
  const std::optional<std::string> folder = ContainingFolder(kept_path_, system_.Style());
  const std::string name = BaseName(path, system_.Style());
  if (ConvertElf(path, folder, name, *target)) {
    window_.ShowMessage(DoneMessage(*target, std::string(FileTitle(path, system_.Style())), name),
                        message_kind::kInformation, ToString(kDoneTitle));
  }
  EndAtOnce();
}

void MainForm::Command1_Click() {
  const OpenFileRequest request{ToString(kOpenTitle), OpenFilters()};
  while (true) {
    const std::optional<ChosenFile> chosen = window_.ChooseFile(request);
    if (!chosen || chosen->path.empty()) return;
    if (ScanChosenFile(*chosen)) return;
  }
}

void MainForm::Form_OLEDragDrop(const std::vector<std::string>& paths) {
  if (paths.empty() || paths.front().empty()) return;
  ScanChosenFile({paths.front(), std::string(FileTitle(paths.front(), system_.Style()))});
}

bool MainForm::ScanChosenFile(const ChosenFile& chosen) {
  if (IsIpBinTitle(chosen.title)) {
    RefuseIpBin();
    return false;
  }
  try {
    if (IsElfName(chosen.title)) {
      window_.SetBoxText(TextBox::FileName, chosen.path);
      judged_path_ = chosen.path;
      judged_disc_.reset();
      window_.SetBoxText(TextBox::Type, ToString(kElfNotice));
      ShowFileSize();
      window_.SetBoxText(TextBox::Disc, ToString(kNoDisc));
      return true;
    }
    const Scanned scanned = Scan(chosen.path);
    // An IP.BIN under another name is refused as one named so: nothing in the window changes.
    if (!scanned.elf && scanned.judgement.form == Form::BootSector) {
      RefuseIpBin();
      return false;
    }
    ShowScanned(chosen.path, scanned);
  } catch (const RunTimeError& failure) {
    // Never the new path beside the previous file's verdict: Convert would act on it. A disc image
    // refused leaves the window as it was, the previous file and its verdict together.
    if (failure.number() != error::kInvalidArgument) ClearVerdict();
    ShowErrorReport(failure);
  }
  return true;
}

void MainForm::ClearVerdict() {
  for (const TextBox box : {TextBox::Type, TextBox::Size, TextBox::Disc}) {
    window_.SetBoxText(box, ToString(kInitialBoxText));
  }
}

void MainForm::ShowFileSize() {
  const std::int64_t bytes = system_.FileLength(window_.BoxText(TextBox::FileName));
  window_.SetBoxText(TextBox::Size, SizeText(bytes, system_.LocaleSeparators()));
}

void MainForm::Command3_Click() {
  const std::string path = window_.BoxText(TextBox::FileName);
  try {
    if (window_.BoxText(TextBox::Type) == kInitialBoxText) {
      window_.ShowMessage(ToString(kLoadFirst), message_kind::kCritical, ToString(kLoadFirstTitle));
      return;
    }
    // A path typed over the one whose verdict is shown is judged first, as Browse would judge it,
    // and converted by its own verdict; one that cannot be judged is not converted.
    if (!judged_path_.empty() && path != judged_path_ &&
        (!ScanChosenFile({path, std::string(FileTitle(path, system_.Style()))}) || path != judged_path_)) {
      return;
    }
    const std::string verdict = window_.BoxText(TextBox::Type);
    // The results land beside the input; a bare name has its folder in the current one.
    const std::optional<std::string> folder = ContainingFolder(path, system_.Style());

    if (verdict == kElfNotice) {
      const std::optional<Form> target = AskElfQuestion();
      if (!target) return;
      const std::string name = BaseName(path, system_.Style());
      if (ConvertElf(path, folder, name, *target)) {
        window_.ShowMessage(DoneMessage(*target, std::string(FileTitle(path, system_.Style())), name),
                            message_kind::kInformation, ToString(kDoneTitle));
      }
      return;
    }
    // The verdict names the form the file is in; Convert makes the other. A file that is no program,
    // or whose form cannot be told, is taken to be in the form its patterns say, once the person
    // has said to go on.
    const bool unproven = verdict == kNotAProgramVerdict || verdict == kUndecidedVerdict;
    const Form judged = verdict == kNotAProgramVerdict ? Form::NotAProgram : Form::Undecided;
    const bool unscrambled = unproven ? judged_path_ == path && judged_verdict_ == ScrambleVerdict::Unscrambled
                                      : AsciiUppercase(verdict) == VerdictText(ScrambleVerdict::Unscrambled);
    const Form target = unscrambled ? Form::Scrambled : Form::Unscrambled;
    const std::string name = BaseName(path, system_.Style());
    const std::string output = PathIn(folder, ResultName(name, target), system_.Style());
    // A disc image's boot file, as it was judged, is what is converted; the image and its track files
    // are never written.
    const std::shared_ptr<ChosenDisc> disc = judged_path_ == path ? judged_disc_ : system_.OpenDisc(path);
    if (disc) {
      if (const std::optional<std::string> file = system_.ImageFileNamedBy(*disc, output)) {
        throw RunTimeError(error::kPathFileAccessError, StandardDescription(error::kPathFileAccessError) + ": " +
                                                            NeverWrittenOver(output, *file, path));
      }
    }
    // A file scrambled twice is unscrambled twice, as quillet convert does: once would leave it in
    // the form that boots a CD-R, not the unscrambled form the result's name promises.
    const auto form = [&] {
      return disc ? disc->judged.judgement.form : JudgeImage(system_.ReadImage(path).bytes()).form;
    };
    const int runs = target == Form::Unscrambled && form() == Form::ScrambledTwice ? 2 : 1;
    const std::optional<std::span<const std::byte>> boot =
        disc ? std::optional(std::span<const std::byte>(disc->judged.disc.boot.bytes)) : std::nullopt;
    const std::string title(FileTitle(path, system_.Style()));
    const std::string result = ResultName(name, target);
    if (unproven && window_.ShowMessage(UnprovenQuestionText(judged, title, target, result),
                                        message_kind::kYesNoWarning, ToString(kApplicationTitle)) != Answer::Yes) {
      return;
    }
    if (!MayReplace(output)) return;
    ConvertWithDcscram(path, boot, folder, name, target, runs, output);
    if (unproven) {
      window_.ShowMessage(WrittenAsAskedText(title, result), message_kind::kInformation, ToString(kApplicationTitle));
    } else {
      window_.ShowMessage(CompletedMessage(target, name), message_kind::kInformation, ToString(kCompletedTitle));
    }
  } catch (const RunTimeError& failure) {
    ShowErrorReport(failure);
  }
}

std::optional<Form> MainForm::AskElfQuestion() {
  const Answer answer = window_.AskRelabelled(ToString(kElfQuestion), message_kind::kYesNoCancelQuestion,
                                              ToString(kElfQuestionTitle), buttons_);
  if (answer == Answer::Yes) return Form::Scrambled;
  if (answer == Answer::No) return Form::Unscrambled;
  return std::nullopt;  // Cancel, and a question that never appeared
}

bool MainForm::ConvertElf(const std::string& path, const std::optional<std::string>& folder, const std::string& name,
                          Form target) {
  const std::string output = PathIn(folder, ResultName(name, target), system_.Style());
  if (!MayReplace(output)) return false;
  RequireWritableBeside(output);
  if (target == Form::Unscrambled) {
    try {
      RunToolInto([&](const std::string& to) { return ObjcopyRun(ToolPathOf(Tool::Objcopy), path, to); }, output);
    } catch (const RunTimeError& failure) {
      throw WriteFailure(failure, output, {});
    }
    return true;
  }
  const std::string intermediate = FreshIntermediate(folder, name);
  try {
    RunTool(ObjcopyRun(ToolPathOf(Tool::Objcopy), path, intermediate), intermediate, intermediate);
    RunToolInto(
        [&](const std::string& to) { return DcscramRun(ToolPathOf(Tool::Dcscram), Form::Scrambled, intermediate, to); },
        output);
  } catch (const RunTimeError& failure) {
    RemoveIfThere(intermediate);
    throw WriteFailure(failure, output, {intermediate});
  }
  system_.RemoveFile(intermediate);
  return true;
}

void MainForm::RequireWritableBeside(const std::string& output) {
  std::string probe;
  do {
    probe = TemporaryNameFor(output, RandomTag(), system_.Style());
  } while (system_.FileExists(probe));
  try {
    system_.WriteNewFile(probe, {});
  } catch (const RunTimeError& failure) {
    throw WriteFailure(failure, output, {probe});
  }
  RemoveIfThere(probe);
}

RunTimeError MainForm::WriteFailure(const RunTimeError& failure, const std::string& output,
                                    const std::vector<std::string>& temporaries) {
  // A tool names what it wrote, a fresh name beside the result: the result is named instead.
  std::string reason = failure.description();
  for (const std::string& temporary : temporaries) reason = Renamed(reason, temporary, output);
  return RunTimeError(failure.number(), WriteFailureText(output, failure.number(), reason));
}

void MainForm::RunTool(const ToolRun& run, const std::string& fresh_output, const std::string& shown_as) {
  const std::string tool(FileTitle(run.program, system_.Style()));
  RequireToolSucceeded(system_.RunTool(run), tool);
  if (!system_.FileExists(fresh_output)) throw ToolError(tool, "wrote no file " + shown_as);
}

// The tool writes a name no file has, which then takes the result's place: whether it wrote is
// told by that file's being there, which an earlier result of the same name cannot fake (its
// stamp could, where a drive counts time in two-second steps).
void MainForm::RunToolInto(const std::function<ToolRun(const std::string& to)>& run, const std::string& output) {
  std::string fresh;
  do {
    fresh = TemporaryNameFor(output, RandomTag(), system_.Style());
  } while (system_.FileExists(fresh));
  try {
    RunTool(run(fresh), fresh, output);
    system_.MoveOver(fresh, output);
  } catch (const RunTimeError& failure) {
    RemoveIfThere(fresh);
    throw RunTimeError(failure.number(), Renamed(failure.description(), fresh, output));
  }
}

void MainForm::ConvertWithDcscram(const std::string& path, std::optional<std::span<const std::byte>> boot,
                                  const std::optional<std::string>& folder, const std::string& name, Form target,
                                  int runs, const std::string& output) {
  RequireWritableBeside(output);
  std::vector<std::string> intermediates;
  try {
    std::string input = path;
    if (boot) {
      intermediates.push_back(input = FreshIntermediate(folder, name));
      system_.WriteNewFile(input, *boot);
    }
    for (int run = 1; run < runs; ++run) {
      const std::string next = FreshIntermediate(folder, name);
      intermediates.push_back(next);
      RunTool(DcscramRun(ToolPathOf(Tool::Dcscram), target, input, next), next, next);
      input = next;
    }
    RunToolInto([&](const std::string& to) { return DcscramRun(ToolPathOf(Tool::Dcscram), target, input, to); },
                output);
  } catch (const RunTimeError& failure) {
    for (const std::string& intermediate : intermediates) RemoveIfThere(intermediate);
    throw WriteFailure(failure, output, intermediates);
  }
  for (const std::string& intermediate : intermediates) system_.RemoveFile(intermediate);
}

void MainForm::RemoveIfThere(const std::string& path) {
  if (!system_.FileExists(path)) return;
  try {
    system_.RemoveFile(path);
  } catch (const RunTimeError&) {
    // The conversion's own failure is the one to report.
  }
}

// Never a name the user's own files may have: the raw binary a two-step conversion passes from
// one tool to the other would overwrite such a file and then delete it.
std::string MainForm::FreshIntermediate(const std::optional<std::string>& folder, const std::string& name) {
  while (true) {
    const std::string path = PathIn(folder, "." + name + ".quillet-" + RandomTag() + ".bin", system_.Style());
    if (!system_.FileExists(path)) return path;
  }
}

std::string MainForm::ToolPathOf(Tool tool) { return ToolPath(system_.ExecutableFolder(), tool, system_.Style()); }

void MainForm::EndAtOnce() {
  window_.EndAtOnce();
  std::abort();  // a window's EndAtOnce never returns
}

void MainForm::ShowErrorReport(const RunTimeError& failure) {
  window_.ShowMessage(ErrorReportText(failure.number(), failure.description()), message_kind::kOk, "");
}

void MainForm::Form_Unload() {
  // Nothing here may stop the window from closing: each failure skips only its own step.
  try {
    const WindowPlacement placement = window_.Placement();
    if (placement.state == WindowState::Minimised) return;
    const std::string decimal = system_.LocaleSeparators().decimal;
    const std::pair<const char*, float> settings[] = {{"MainLeft", placement.left},
                                                      {"MainTop", placement.top},
                                                      {"MainWidth", placement.width},
                                                      {"MainHeight", placement.height}};
    for (const auto& [key, value] : settings) {
      try {
        system_.WriteSetting("Settings", key, SettingText(value, decimal));
      } catch (const std::exception&) {
        // The settings are written only, never read: a failed write costs nothing.
      }
    }
  } catch (const std::exception&) {
    // No placement to be had: nothing to store.
  }
}

void MainForm::Handle(const std::function<void()>& handler) {
  try {
    handler();
  } catch (const std::exception& failure) {
    window_.ShowMessage(std::string(kUnexpectedProblem) + failure.what(), message_kind::kCritical, "");
  }
}

void MainForm::Handle(void (MainForm::*handler)()) {
  Handle([this, handler] { (this->*handler)(); });
}

void MainForm::mnuFileExit_Click() { window_.CloseWindow(); }

void MainForm::mnuHelpAbout_Click() {
  window_.ShowMessage(AboutText(), message_kind::kInformation, ToString(kAboutTitle));
}

std::optional<std::string> MainForm::RegisterShellVerb(std::string_view extension, std::string_view verb,
                                                       const std::string& command) {
  try {
    system_.WriteShellVerb(ToString(extension), ToString(verb), ShellCommandLine(command));
    return std::nullopt;
  } catch (const RunTimeError& failure) {
    return failure.description();
  }
}

void MainForm::mnuOptionsShell_Click() {
  // Only a Yes writes anything; a box that could not be shown is no Yes.
  if (window_.ShowMessage(ShellQuestionText(), message_kind::kYesNo, ToString(kShellQuestionTitle)) != Answer::Yes) {
    return;
  }
  const std::string command =
      ShellCommand(ExecutablePath(system_.ExecutableFolder(), system_.ExecutableName(), system_.Style()));
  std::string failures;
  for (const ShellVerb& verb : ShellVerbs()) {
    if (const std::optional<std::string> failure = RegisterShellVerb(verb.extension, verb.verb, command)) {
      failures += "\r\n" + ToString(verb.verb) + " (" + ToString(verb.extension) + "): " + *failure;
    }
  }
  if (failures.empty()) {
    window_.ShowMessage(ToString(kShellDone), message_kind::kInformation, ToString(kShellDoneTitle));
  } else {
    window_.ShowMessage(ToString(kShellFailed) + failures, message_kind::kCritical, "");
  }
}

void MainForm::mnuOptionsShellRemove_Click() {
  if (window_.ShowMessage(ShellRemovalQuestionText(), message_kind::kYesNo, ToString(kShellQuestionTitle)) !=
      Answer::Yes) {
    return;
  }
  std::string failures;
  for (const ShellVerb& verb : ShellVerbs()) {
    try {
      system_.RemoveShellVerb(verb.extension, ToString(verb.verb));
    } catch (const RunTimeError& failure) {
      failures += "\r\n" + ToString(verb.verb) + " (" + verb.extension + "): " + failure.description();
    }
  }
  if (failures.empty()) {
    window_.ShowMessage(ToString(kShellRemoved), message_kind::kInformation, ToString(kShellDoneTitle));
  } else {
    window_.ShowMessage(ToString(kShellRemovalFailed) + failures, message_kind::kCritical, "");
  }
}

}  // namespace quillet
