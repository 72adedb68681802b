#include "shell/file_manager_entries.h"

#include <algorithm>

#include "util/text_rules.h"

namespace quillet {
namespace {

// The files each entry is offered for: those whose names end in the verb's extension, in any
// letter case. Dolphin chooses entries by MIME type only, so the entry brings a type of its own,
// matched by that ending (a kind of raw binary or ELF file, so nothing else about those files
// changes); Nemo matches extensions as written, so it gets every spelling.
struct Audience {
  std::string mime_type;    // "application/x-quillet-bin"
  std::string parent_type;  // what such a file is otherwise
  std::string description;  // the type's name in file managers
  std::string extensions;   // "bin;biN;...;BIN;"
  std::string shell_case;   // "*.[bB][iI][nN]", for a shell's case statement
};

Audience AudienceOf(const ShellVerb& verb) {
  const std::string_view letters = verb.extension.substr(1);
  Audience audience;
  audience.mime_type = "application/x-quillet-" + std::string(letters);
  const bool elf = letters == "elf";
  audience.parent_type = elf ? "application/x-executable" : "application/octet-stream";
  audience.description = elf ? "SH ELF file for a Dreamcast binary" : "Dreamcast binary";
  for (unsigned spelling = 0; spelling < 1u << letters.size(); ++spelling) {
    for (std::size_t i = 0; i < letters.size(); ++i) {
      const bool upper = spelling >> (letters.size() - 1 - i) & 1u;
      audience.extensions += upper ? AsciiUpper(letters[i]) : letters[i];
    }
    audience.extensions += ';';
  }
  audience.shell_case = "*.";
  for (char c : letters) audience.shell_case += std::string("[") + c + AsciiUpper(c) + "]";
  return audience;
}

// A name for the entry's files: "quillet-scan-dreamcast-binary".
std::string Slug(std::string_view verb) {
  std::string slug = "quillet-" + AsciiLowercase(verb);
  std::ranges::replace(slug, ' ', '-');
  return slug;
}

}  // namespace

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

std::vector<FileManagerEntry> FileManagerEntries(const ShellVerb& verb, std::string_view program) {
  const Audience audience = AudienceOf(verb);
  const std::string slug = Slug(verb.verb);
  const std::string name(verb.verb);
  const std::string exec = DesktopExecWord(program);
  const std::string refusal = name + " handles only files whose names end in " + std::string(verb.extension) + ".";
  return {
      {"mime/packages/" + slug + ".xml",
       "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
       "<mime-info xmlns=\"http://www.freedesktop.org/standards/shared-mime-info\">\n"
       "  <mime-type type=\"" +
           audience.mime_type +
           "\">\n"
           "    <comment>" +
           audience.description +
           "</comment>\n"
           "    <sub-class-of type=\"" +
           audience.parent_type +
           "\"/>\n"
           // Below the usual weight of 50: any other program's type for these names wins, and only
           // names nobody else claims take ours.
           "    <glob pattern=\"*" +
           std::string(verb.extension) +
           "\" weight=\"10\"/>\n"
           "  </mime-type>\n"
           "</mime-info>\n",
       false},
      {"kio/servicemenus/" + slug + ".desktop",
       "[Desktop Entry]\n"
       "Type=Service\n"
       "X-KDE-ServiceTypes=KonqPopupMenu/Plugin\n"
       "MimeType=" +
           audience.mime_type +
           ";\n"
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
           audience.shell_case + ") exec " + ShellWord(program) +
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
}

}  // namespace quillet
