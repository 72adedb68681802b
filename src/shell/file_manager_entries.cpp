#include "shell/file_manager_entries.h"

namespace quillet {
namespace {

// The file types each entry is offered for, by MIME type (Dolphin) and by extension (Nemo).
struct Audience {
  std::string_view mime_types;
  std::string_view extensions;
};

Audience AudienceOf(const ShellVerb& verb) {
  if (verb.extension == ".elf") {
    return {"application/x-executable;application/x-sharedlib;application/x-object;application/x-elf;", "elf;ELF;"};
  }
  return {"application/octet-stream;application/x-cd-image;application/x-raw-disk-image;", "bin;BIN;"};
}

// A name for the entry's files: "quillet-scan-dreamcast-binary".
std::string Slug(std::string_view verb) {
  std::string slug = "quillet-";
  for (char c : verb) {
    if (c == ' ') {
      slug += '-';
    } else {
      slug += static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    }
  }
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
  return {
      {"kio/servicemenus/" + slug + ".desktop",
       "[Desktop Entry]\n"
       "Type=Service\n"
       "X-KDE-ServiceTypes=KonqPopupMenu/Plugin\n"
       "MimeType=" +
           std::string(audience.mime_types) +
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
      {"nautilus/scripts/" + name,
       "#!/bin/sh\n"
       "# " +
           name +
           " with Quillet: GNOME Files passes the selected files as arguments.\n"
           "exec " +
           ShellWord(program) + " \"$1\"\n",
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
           std::string(audience.extensions) + "\n",
       false},
  };
}

}  // namespace quillet
