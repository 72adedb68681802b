#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "shell/shell_verbs.h"

// Right-click entries on Linux, where there is no registry: each common file manager reads its
// user-level context actions from files of its own under the XDG data folder.
namespace quillet {

struct FileManagerEntry {
  std::string path;     // relative to the XDG data folder (~/.local/share)
  std::string content;  // the whole file
  bool executable;      // the file manager runs or trusts it only with the execute bit

  bool operator==(const FileManagerEntry&) const = default;
};

// Whether the system's MIME database knows the type `mime_type` ("application/x-cue").
using SystemTypeKnown = std::function<bool(std::string_view mime_type)>;

// The files that show `verb` for files whose names end in any extension ShellVerbs gives that verb
// (any letter case; the same files whichever of its extensions `verb` names) in KDE Dolphin (a
// service menu, for the types the system gives those files: .bin files are data and .elf files
// executables to it, which it cannot tell apart by name, so the entry shows for every such file;
// for a disc image's ending the system does not type, a type of our own that a first file defines
// as a kind of what the files are otherwise), GNOME Files (a script: offered for every file, it
// turns the others away with a message) and Cinnamon Nemo (an action, for the endings alone), each
// starting `program` with the clicked file's path.
std::vector<FileManagerEntry> FileManagerEntries(const ShellVerb& verb, std::string_view program,
                                                 const SystemTypeKnown& system_knows = {});

// Where the types of our own for `verb` are kept, when it brings any.
std::string MimePackagePath(const ShellVerb& verb);

// Every file FileManagerEntries may write for `verb`, and an earlier version did: what taking the
// entries away removes.
std::vector<std::string> FileManagerFiles(const ShellVerb& verb);

// Whether `verb` is the first of ShellVerbs's entries of its verb: a file manager's entries serve
// all of a verb's extensions at once, and are written for that one alone.
bool WritesFileManagerEntries(const ShellVerb& verb);

// `text` as one word of a desktop entry's Exec line, quoted where it needs to be.
std::string DesktopExecWord(std::string_view text);

// `text` as one word for the POSIX shell, in single quotes.
std::string ShellWord(std::string_view text);

}  // namespace quillet
