#include "shell/file_manager_entries.h"

#include <algorithm>
#include <utility>

#include "formats/disc_formats.h"
#include "util/text_rules.h"

namespace quillet {
namespace {

// The MIME type the system's shared database gives files of each ending, where it has one; else
// what such a file is otherwise, the parent of the type the entries bring, and that type's name in
// file managers. No type is ever brought for .bin and .elf: a CD audio track, a firmware dump and
// every other program's executable end so, and would all be relabelled; the entries are offered
// for what such files are, and those that filter by ending do.
struct EndingType {
  std::string_view letters, system_type, parent, description;
  bool own_type = true;  // whether a type of our own may be brought where the system has none
};
constexpr EndingType kEndingTypes[] = {
    {"bin", "application/octet-stream", "", "", false},
    {"elf", "application/x-executable", "", "", false},
};

// A disc image's from the table of formats.
EndingType TypeOf(std::string_view letters) {
  for (const EndingType& type : kEndingTypes) {
    if (type.letters == letters) return type;
  }
  for (const DiscFormatRow& row : DiscFormats()) {
    if (row.extension == letters) return {row.extension, row.mime_type, row.mime_parent, row.described};
  }
  return kEndingTypes[0];
}

// The files each entry is offered for: those whose names end in one of the verb's extensions, in
// any letter case. Dolphin chooses entries by MIME type only: an ending the system's database
// types keeps that type, which the entry names, so no other program's files change hands; only an
// ending it does not type (.bin, .elf) gets a type of our own, a kind of what such a file is
// otherwise. Nemo matches extensions as written, so it gets every spelling.
struct Audience {
  std::string mime_types;   // "<mime-type ...>...</mime-type>" for each ending
  std::string mime_names;   // "application/x-quillet-bin;..."
  std::string extensions;   // "bin;biN;...;BIN;..."
  std::string shell_cases;  // "*.[bB][iI][nN]|...", for a shell's case statement
  std::string endings;      // ".bin, .cdi, .gdi, .cue or .chd"
};

Audience AudienceOf(std::string_view verb, const SystemTypeKnown& system_knows) {
  Audience audience;
  std::vector<std::string_view> extensions;
  for (const ShellVerb& each : ShellVerbs()) {
    if (each.verb == verb) extensions.push_back(each.extension);
  }
  for (std::size_t index = 0; index < extensions.size(); ++index) {
    const std::string_view letters = extensions[index].substr(1);
    const EndingType type = TypeOf(letters);
    if (!type.own_type || (!type.system_type.empty() && system_knows && system_knows(type.system_type))) {
      audience.mime_names += std::string(type.system_type) + ";";
    } else {
      const std::string mime_type = "application/x-quillet-" + std::string(letters);
      audience.mime_types += "  <mime-type type=\"" + mime_type + "\">\n    <comment>" + std::string(type.description) +
                             "</comment>\n    <sub-class-of type=\"" + std::string(type.parent) +
                             // Below the usual weight of 50: any other program's type for these names
                             // wins, and only names nobody else claims take ours.
                             "\"/>\n    <glob pattern=\"*." + std::string(letters) +
                             "\" weight=\"10\"/>\n  </mime-type>\n";
      audience.mime_names += mime_type + ";";
    }
    for (unsigned spelling = 0; spelling < 1u << letters.size(); ++spelling) {
      for (std::size_t i = 0; i < letters.size(); ++i) {
        const bool upper = spelling >> (letters.size() - 1 - i) & 1u;
        audience.extensions += upper ? AsciiUpper(letters[i]) : letters[i];
      }
      audience.extensions += ';';
    }
    if (!audience.shell_cases.empty()) audience.shell_cases += "|";
    audience.shell_cases += "*.";
    for (char c : letters) audience.shell_cases += std::string("[") + c + AsciiUpper(c) + "]";
    const bool last = index + 1 == extensions.size();
    audience.endings += std::string(index == 0 ? "" : last ? " or " : ", ") + std::string(extensions[index]);
  }
  return audience;
}

// A name for the entry's files: "quillet-scan-dreamcast-binary".
std::string Slug(std::string_view verb) {
  std::string slug = "quillet-" + AsciiLowercase(verb);
  std::ranges::replace(slug, ' ', '-');
  return slug;
}

}  // namespace

bool WritesFileManagerEntries(const ShellVerb& verb) {
  const auto first = std::find_if(ShellVerbs().begin(), ShellVerbs().end(),
                                  [&](const ShellVerb& each) { return each.verb == verb.verb; });
  return first != ShellVerbs().end() && first->extension == verb.extension;
}

std::string DesktopExecWord(std::string_view text) {
  if (text.find_first_of(" \t\n\"'\\><~|&;$*?#()`") == std::string_view::npos) return std::string(text);
  std::string word = "\"";
  for (char c : text) {
    // Inside quotes, these four take a backslash; in a desktop file the backslash itself is doubled.
    if (c == '"' || c == '`' || c == '$') word += "\\\\";
    if (c == '\\') word += "\\\\\\";
    word += c;
  }
  return word + "\"";
}

std::string ShellWord(std::string_view text) {
  std::string word = "'";
  for (char c : text) word += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return word + "'";
}

std::vector<FileManagerEntry> FileManagerEntries(const ShellVerb& verb, std::string_view program,
                                                 const SystemTypeKnown& system_knows) {
  const Audience audience = AudienceOf(verb.verb, system_knows);
  const std::string slug = Slug(verb.verb);
  const std::string name(verb.verb);
  const std::string exec = DesktopExecWord(program);
  const std::string refusal = name + " handles only files whose names end in " + audience.endings + ".";
  std::vector<FileManagerEntry> entries;
  if (!audience.mime_types.empty()) {
    entries.push_back({MimePackagePath(verb),
                       "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                       "<mime-info xmlns=\"http://www.freedesktop.org/standards/shared-mime-info\">\n" +
                           audience.mime_types + "</mime-info>\n",
                       false});
  }
  std::vector<FileManagerEntry> menus{
      {"kio/servicemenus/" + slug + ".desktop",
       "[Desktop Entry]\n"
       "Type=Service\n"
       "X-KDE-ServiceTypes=KonqPopupMenu/Plugin\n"
       "MimeType=" +
           audience.mime_names +
           "\n"
           "Actions=quillet;\n"
           "\n"
           "[Desktop Action quillet]\n"
           "Name=" +
           name +
           "\n"
           "Icon=quillet\n"
           "Exec=" +
           exec + " %f\n",
       true},
      // GNOME Files offers its scripts for every file: the script itself turns the others away.
      {"nautilus/scripts/" + name,
       "#!/bin/sh\n"
       "# " +
           name +
           " with Quillet: GNOME Files passes the selected files as arguments.\n"
           "case \"$1\" in\n"
           "  " +
           audience.shell_cases + ") exec " + ShellWord(program) +
           " \"$1\" ;;\n"
           "esac\n"
           "message=" +
           ShellWord(refusal) +
           "\n"
           "if command -v zenity >/dev/null 2>&1; then exec zenity --error --title=Quillet --text=\"$message\"; fi\n"
           "if command -v notify-send >/dev/null 2>&1; then exec notify-send Quillet \"$message\"; fi\n"
           "echo \"$message\" >&2\n"
           "exit 1\n",
       true},
      {"nemo/actions/" + slug + ".nemo_action",
       "[Nemo Action]\n"
       "Name=" +
           name +
           "\n"
           "Comment=" +
           name +
           " with Quillet\n"
           "Exec=" +
           exec +
           " %F\n"
           "Icon-Name=quillet\n"
           "Selection=s\n"
           "Extensions=" +
           audience.extensions + "\n",
       false},
  };
  entries.insert(entries.end(), menus.begin(), menus.end());
  return entries;
}

std::string MimePackagePath(const ShellVerb& verb) { return "mime/packages/" + Slug(verb.verb) + ".xml"; }

std::vector<std::string> FileManagerFiles(const ShellVerb& verb) {
  std::vector<std::string> paths{MimePackagePath(verb)};
  for (const FileManagerEntry& entry : FileManagerEntries(verb, "quillet")) {
    if (entry.path != paths.front()) paths.push_back(entry.path);
  }
  return paths;
}

}  // namespace quillet
