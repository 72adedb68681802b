#pragma once

#include <array>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "app/button_captions.h"
#include "app/system.h"
#include "app/window.h"
#include "convert/tool_commands.h"
#include "inspect/judgement.h"
#include "util/run_time_error.h"

namespace quillet {

// The main window's behaviour (frmMain): every handler, written once against a Window and a
// System. The handlers keep the names the window's events have, so a reader can follow the program
// from its description; the front ends call them through Handle from their own events, one at a
// time, and each handler catches what it must.
class MainForm {
 public:
  MainForm(Window& window, System& system) : window_(window), system_(system) {}

  // Before the window is first shown: the ELF question's button captions, the tool check, then
  // the command-line entry, which may end the program at once.
  void Form_Load();
  // Browse.
  void Command1_Click();
  // Convert.
  void Command3_Click();
  // The window is closing: stores its placement unless it is minimised.
  void Form_Unload();
  void mnuFileExit_Click();
  void mnuHelpAbout_Click();
  // Options > Integrate into right-click menus.
  void mnuOptionsShell_Click();
  // Options > Remove right-click entries.
  void mnuOptionsShellRemove_Click();
  // Files dropped onto the window: the first is scanned as if Browse had picked it.
  void Form_OLEDragDrop(const std::vector<std::string>& paths);

  // Runs a handler for a front end's event. The handlers trap their own run-time errors; anything
  // else is reported in a box rather than lost or let through a window procedure or a slot.
  void Handle(const std::function<void()>& handler);
  void Handle(void (MainForm::*handler)());

  const ButtonSettingTable& Buttons() const { return buttons_; }

 private:
  void CommandLineEntry();
  void StartupScan(const std::string& path);
  // What a scan found: a file's judgement, or a disc image's boot file and its judgement.
  struct Scanned {
    Judgement judgement;
    bool elf = false;                  // an ELF file by its first bytes: converted, not judged
    std::shared_ptr<ChosenDisc> disc;  // a disc image, opened, its boot file judged and checked
  };
  // Reads and judges a file, or a disc image's boot file. A disc image that cannot be read, or is of
  // a format Quillet does not read, raises run-time error 5 with nothing in the window changed; a
  // file that cannot be read puts its path in the file-name box.
  Scanned Scan(const std::string& path);
  // Shows what a scan found, and says so once where a disc would not start its boot file.
  void ShowScanned(const std::string& path, const Scanned& scanned);
  // The problems that keep a disc image from booting, in a box; where quillet fix mends them, the box
  // asks whether to write the fixed copy.
  void ReportProblems(ChosenDisc& disc, const std::vector<std::string>& problems);
  // Whether a result may be written at `output`: where a file of that name is there already, the
  // person is asked first.
  bool MayReplace(const std::string& output);
  // The refusal of an IP.BIN, by name or by content.
  void RefuseIpBin();
  [[noreturn]] void RefuseIpBinAndEnd();
  [[noreturn]] void StartupConversion(const std::string& path);
  void ShowFileSize();
  // Clears what the type, size and disc boxes show, as before any scan.
  void ClearVerdict();
  // Scans a file the user picked or dropped; false when it is an IP.BIN (by name or by content),
  // which is refused with nothing in the window changed.
  bool ScanChosenFile(const ChosenFile& chosen);

  // Asks the ELF question; the form asked for, or nothing for Cancel (or a question that could not
  // be shown).
  std::optional<Form> AskElfQuestion();
  // Converts an ELF file into `folder` (or the current folder): through a fresh intermediate raw
  // binary when scrambled, which is removed whatever happens. False where the person would not have
  // an existing result replaced.
  bool ConvertElf(const std::string& path, const std::optional<std::string>& folder, const std::string& name,
                  Form target);
  // Raises a run-time error naming `output` unless a new file can be made beside it: a folder that
  // will not take one is told before any tool runs, in the system's words, not the tool's.
  void RequireWritableBeside(const std::string& output);
  // `failure` to write `output`, as the error to report: naming the result, and never a temporary
  // file (the `temporaries`; RunToolInto names the result in place of its own) that the person never
  // asked for.
  RunTimeError WriteFailure(const RunTimeError& failure, const std::string& output,
                            const std::vector<std::string>& temporaries);
  // Runs a tool and raises a run-time error unless it ended well and wrote `fresh_output`, a name
  // no file had before; the error names that file as `shown_as`.
  void RunTool(const ToolRun& run, const std::string& fresh_output, const std::string& shown_as);
  // Runs the tool that `run` makes for an output name, into a fresh name beside `output` that then
  // takes its place; raises a run-time error unless the tool ended well and wrote.
  void RunToolInto(const std::function<ToolRun(const std::string& to)>& run, const std::string& output);
  // Converts the file at `path`, or the boot file `boot` of the disc image there, into `output` in
  // the form `target` with dcscram, `runs` times over, through fresh intermediates beside it that
  // are removed whatever happens.
  void ConvertWithDcscram(const std::string& path, std::optional<std::span<const std::byte>> boot,
                          const std::optional<std::string>& folder, const std::string& name, Form target, int runs,
                          const std::string& output);
  void RemoveIfThere(const std::string& path);
  std::string FreshIntermediate(const std::optional<std::string>& folder, const std::string& name);
  void ShowErrorReport(const RunTimeError& failure);
  // Writes one right-click entry running `command` on the clicked file; says why it failed, if it did.
  std::optional<std::string> RegisterShellVerb(std::string_view extension, std::string_view verb,
                                               const std::string& command);
  [[noreturn]] void EndAtOnce();

  std::string ToolPathOf(Tool tool);

  Window& window_;
  System& system_;
  ButtonSettingTable buttons_;
  // Set by the command-line entry when its text names an existing file.
  std::string kept_path_;
  std::string kept_separator_;
  // The file whose verdict the window shows: Convert acts on it alone; the disc image it is, opened
  // once, where it is one.
  std::string judged_path_;
  std::shared_ptr<ChosenDisc> judged_disc_;
  // The patterns' own answer for it: a file that is no program, or whose form cannot be told, is
  // converted (once the person has said so) as if it were in the form they say.
  ScrambleVerdict judged_verdict_ = ScrambleVerdict::Scrambled;
};

// The menus' items, in the order the window shows them: the menu each is in (its name and
// caption), its own name and caption, and the handler it runs.
struct MenuItem {
  std::string_view menu_name, menu_caption, name, caption;
  void (MainForm::*handler)();
};
inline constexpr std::array<MenuItem, 4> kMenuItems{{
    {"mnuFile", "&File", "mnuFileExit", "E&xit", &MainForm::mnuFileExit_Click},
    {"mnuOptions", "&Options", "mnuOptionsShell", "Integrate into &right-click menus",
     &MainForm::mnuOptionsShell_Click},
    {"mnuOptions", "&Options", "mnuOptionsShellRemove", "Re&move right-click entries",
     &MainForm::mnuOptionsShellRemove_Click},
    {"mnuHelp", "&Help", "mnuHelpAbout", "&About ", &MainForm::mnuHelpAbout_Click},
}};

// The command-line text as a path: one pair of double quotes around it (a file dropped onto the
// program arrives so) is taken off; anything else stays as it is.
std::string CommandLinePath(const std::string& text);

// A window coordinate as the settings store keeps it: a whole number without a decimal point,
// otherwise up to seven significant digits with the locale's decimal separator.
std::string SettingText(float value, const std::string& decimal_separator);

}  // namespace quillet
