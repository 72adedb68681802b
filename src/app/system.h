#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>

#include "app/size_text.h"
#include "core/disc_file.h"
#include "core/fixed_image.h"
#include "disc/boot_report.h"
#include "disc/disc_image.h"
#include "sys/file_system.h"
#include "util/path_rules.h"
#include "util/tool_run.h"

// What the window's handlers need from the operating system: files, the tools, the program's own
// facts and the per-user stores. LocalSystem answers the files and tools from the core's services;
// each front end adds its stores, and the tests fake all of it. Texts are UTF-8; nothing native.
namespace quillet {

// A disc image the window chose, opened once: its boot file judged and its boot checked as it was
// opened. The System's disc verbs take it, and open none of its files again.
struct ChosenDisc {
  std::string path;
  JudgedDisc judged;
  std::shared_ptr<OpenedDisc> opened;   // the image, its track files and its table (none in a fake)
  std::shared_ptr<const ImageFix> fix;  // its fix, planned the first time it is asked for
};

class System {
 public:
  virtual ~System() = default;

  // Files. Failures raise RunTimeError.
  virtual PathStyle Style() = 0;
  virtual FileContents ReadImage(const std::string& path) = 0;
  virtual std::int64_t FileLength(const std::string& path) = 0;
  virtual bool FileExists(const std::string& path) = 0;
  // Raises run-time error 53 when there is no such file.
  virtual void RemoveFile(const std::string& path) = 0;
  // Puts the complete file `from` in `to`'s place; an existing `to` keeps its mode, owner, access
  // control list and attributes (or on Windows its attributes and security), and the data and the
  // rename are forced to disk.
  virtual void MoveOver(const std::string& from, const std::string& to) = 0;

  // Writes `bytes` to `path`, a name no file has, whole or not at all.
  virtual void WriteNewFile(const std::string& path, std::span<const std::byte> bytes) = 0;

  // Disc images. The image at `path`, opened, its boot file judged and checked; nothing where the
  // file is no disc image. Raises run-time error 5 saying why an image cannot be read, or is of a
  // format Quillet does not read.
  virtual std::shared_ptr<ChosenDisc> OpenDisc(const std::string& path) = 0;
  // The file of `disc` (the image, or a track file) that `path` names, however it is spelt; nothing
  // where it names none.
  virtual std::optional<std::string> ImageFileNamedBy(ChosenDisc& disc, const std::string& path) = 0;

  // A fixed copy of `disc` (quillet fix's): the name it would have beside the image ("dk_fixed.cdi",
  // or "disc_fixed" for the folder a set goes in), where the image will not boot and its fix mends it
  // without a guess; nothing otherwise.
  virtual std::optional<std::string> FixedCopyName(ChosenDisc& disc) = 0;
  // Writes that copy beside the image, whole or not at all, an earlier one only where `replace`, and
  // returns the path of the copy (of its sheet, for a set). Raises RunTimeError.
  virtual std::string WriteFixedCopy(ChosenDisc& disc, bool replace) = 0;

  // True when `path` is a tool that can run: a file (not a folder, not hidden or a system file).
  virtual bool ToolPresent(const std::string& path) = 0;
  // Runs a tool hidden and waits until it has ended.
  virtual ToolOutcome RunTool(const ToolRun& run) = 0;

  // The program.
  virtual std::string ExecutableFolder() = 0;  // without a trailing separator
  virtual std::string ExecutableName() = 0;    // without its extension
  // The argument part of the program's command line as one text, unsplit.
  virtual std::string CommandLineText() = 0;
  virtual NumberSeparators LocaleSeparators() = 0;
  // The per-user settings store, application "Quillet". Raises on failure.
  virtual void WriteSetting(const std::string& section, const std::string& key, const std::string& value) = 0;
  // A right-click entry for files ending in `extension`, named `verb`, running `command` ("%1" for
  // the file's path). Raises on failure.
  virtual void WriteShellVerb(const std::string& extension, const std::string& verb, const std::string& command) = 0;
  // Takes that entry away again, and whatever an earlier version wrote for it; an entry that is not
  // there is no failure. Raises on failure.
  virtual void RemoveShellVerb(const std::string& extension, const std::string& verb) = 0;
};

}  // namespace quillet
