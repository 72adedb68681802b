#include "shell/file_manager_entries.h"

#include <gtest/gtest.h>

#include <algorithm>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <vector>

#include "support/temp_folder.h"

namespace quillet {
namespace {

namespace fs = std::filesystem;
using testing::ReadFile;
using testing::TempFolder;

std::string Content(const std::vector<FileManagerEntry>& entries, std::string_view folder) {
  for (const FileManagerEntry& entry : entries) {
    if (entry.path.starts_with(folder)) return entry.content;
  }
  return "";
}

TEST(FileManagerEntriesTest, OfferedOnlyForTheVerbsExtensionsInAnyCase) {
  struct Row {
    ShellVerb verb;
    bool system_types;  // the system's database types disc images: their types are named, not ours
    std::vector<std::string> types;
    std::vector<std::string> own;  // the endings that get a type of our own
    std::string spellings;
    bool written;  // the verb's first extension: its entries are written for it alone
  };
  const std::string scanned =
      "bin;biN;bIn;bIN;Bin;BiN;BIn;BIN;cdi;cdI;cDi;cDI;Cdi;CdI;CDi;CDI;gdi;gdI;gDi;gDI;Gdi;GdI;GDi;GDI;"
      "cue;cuE;cUe;cUE;Cue;CuE;CUe;CUE;chd;chD;cHd;cHD;Chd;ChD;CHd;CHD;";
  // .bin and .elf never get a type of ours: every such file would be relabelled.
  const std::vector<std::string> own_disc_types{"application/octet-stream", "application/x-quillet-cdi",
                                                "application/x-quillet-gdi", "application/x-quillet-cue",
                                                "application/x-quillet-chd"};
  const std::vector<std::string> system_disc_types{"application/octet-stream", "application/x-discjuggler-cd-image",
                                                   "application/x-gd-rom-cue", "application/x-cue",
                                                   "application/x-mame-chd"};
  for (const Row& row : std::vector<Row>{
           {ShellVerbs()[0], false, own_disc_types, {"cdi", "gdi", "cue", "chd"}, scanned, true},
           {ShellVerbs()[0], true, system_disc_types, {}, scanned, true},
           {ShellVerbs()[1], false, {"application/x-executable"}, {}, "elf;elF;eLf;eLF;Elf;ElF;ELf;ELF;", true},
           {ShellVerbs()[3],
            false,
            own_disc_types,
            {"cdi", "gdi", "cue", "chd"},
            scanned,
            false},  // the same files, from any of the verb's endings
       }) {
    EXPECT_EQ(WritesFileManagerEntries(row.verb), row.written) << row.verb.extension;
    const std::vector<FileManagerEntry> entries = FileManagerEntries(
        row.verb, "/opt/quillet/vardelm", [&](std::string_view type) { return row.system_types && !type.empty(); });
    const std::string mime = Content(entries, "mime/packages/");
    std::string types;
    for (const std::string& type : row.types) types += type + ";";
    for (const std::string_view extension : {"bin", "cdi", "gdi", "cue", "chd", "elf"}) {
      const bool own = std::find(row.own.begin(), row.own.end(), std::string(extension)) != row.own.end();
      EXPECT_EQ(
          mime.find("<mime-type type=\"application/x-quillet-" + std::string(extension) + "\">") != std::string::npos,
          own)
          << extension << mime;
      EXPECT_EQ(mime.find("<glob pattern=\"*." + std::string(extension) + "\" weight=\"10\"/>") != std::string::npos,
                own)
          << extension << mime;
    }
    // No types of ours, no package of them: nothing a file manager reads relabels a file.
    EXPECT_EQ(mime.empty(), row.own.empty()) << row.verb.extension;
    const std::string dolphin = Content(entries, "kio/servicemenus/");
    EXPECT_NE(dolphin.find("\nMimeType=" + types + "\n"), std::string::npos) << dolphin;
    const std::string nemo = Content(entries, "nemo/actions/");
    EXPECT_NE(nemo.find("\nExtensions=" + row.spellings + "\n"), std::string::npos) << nemo;
  }
}

// GNOME Files offers a script for every file: the script itself starts the window only for its own.
TEST(FileManagerEntriesTest, GnomeScriptTurnsOtherFilesAwayWithAMessage) {
  TempFolder folder;
  const std::string started = folder.PathOf("started");
  const std::string program = folder.Write("vardelm's stand-in", "#!/bin/sh\nprintf '%s' \"$1\" > '" + started + "'\n");
  fs::permissions(fs::u8path(program), fs::perms::owner_all);
  const std::string script = folder.Write("script", Content(FileManagerEntries(ShellVerbs()[0], program), "nautilus/"));
  struct Row {
    std::string file;
    bool starts;
  };
  for (const Row& row : std::vector<Row>{
           {"/games/1ST_READ.BIN", true},
           {"/games/my game.Bin", true},
           {"/games/game.CDI", true},
           {"/games/disc.gdi", true},
           {"/games/Game (Track 1).CUE", true},
           {"/games/Game.chd", true},
           {"/games/notes.txt", false},
           {"/games/game.bin.txt", false},
           {"/games/game.elf", false},
       }) {
    fs::remove(started);
    const std::string errors = folder.PathOf("errors");
    // No PATH: no desktop notifier to find, so the message goes to standard error.
    const std::string command = "env PATH=/nonexistent /bin/sh '" + script + "' '" + row.file + "' 2>'" + errors + "'";
    const int status = std::system(command.c_str());
    if (row.starts) {
      EXPECT_EQ(status, 0) << row.file;
      EXPECT_EQ(ReadFile(started), row.file);
    } else {
      EXPECT_NE(status, 0) << row.file;
      EXPECT_FALSE(fs::exists(started)) << row.file;
      EXPECT_EQ(ReadFile(errors),
                "Scan Dreamcast binary handles only files whose names end in .bin, .cdi, .gdi, .cue or .chd.\n")
          << row.file;
    }
  }
}

}  // namespace
}  // namespace quillet
