// Every list of the disc image formats that a program shows is the table's: the Open dialog's
// filter, the right-click entries and their MIME types, --help, the refusal of another format.
#include "formats/disc_formats.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>
#include <string>
#include <vector>

#include "app/texts.h"
#include "cli/quillet_command.h"
#include "disc/disc_image.h"
#include "shell/file_manager_entries.h"
#include "shell/shell_verbs.h"
#include "util/text_rules.h"

namespace quillet {
namespace {

TEST(DiscFormatsTest, EveryListIsTheTables) {
  EXPECT_EQ(FormatsReadWords(), "CDI, ISO, GD-ROM (.gdi), cue sheet (.cue) and CHD images");
  EXPECT_EQ(OpenFilters()[2],
            (FileFilter{"Disc images (*.cdi; *.iso; *.gdi; *.cue; *.chd)", "*.cdi;*.iso;*.gdi;*.cue;*.chd"}));
  std::ostringstream help, ignored;
  const std::vector<std::string> arguments{"--help"};
  RunQuillet(arguments, help, ignored);
  const std::vector<FileManagerEntry> scan_entries = FileManagerEntries(ShellVerbs()[0], "/usr/bin/vardelm");
  std::string mime;
  for (const FileManagerEntry& entry : scan_entries) mime += entry.content;
  std::vector<std::string> offered;
  for (const ShellVerb& verb : ShellVerbs()) {
    if (verb.verb == ShellVerbs()[0].verb && verb.extension != ".bin") offered.push_back(verb.extension.substr(1));
  }
  for (const DiscFormatRow& row : DiscFormats()) {
    SCOPED_TRACE(row.extension);
    EXPECT_EQ(&RowOf(row.format), &row);
    EXPECT_EQ(DiscFormatText(row.format), row.extension);
    // Known by its name in any case.
    const MemorySource nothing({});
    EXPECT_EQ(DiscFormatOf(nothing, "GAME." + AsciiUppercase(row.extension)), row.format);
    EXPECT_NE(help.str().find(row.listed.substr(0, row.listed.find(' '))), std::string::npos);
    EXPECT_EQ(std::find(offered.begin(), offered.end(), row.extension) != offered.end(), row.right_click);
    if (row.right_click) {
      EXPECT_NE(mime.find("<comment>" + std::string(row.described) + "</comment>"), std::string::npos);
      EXPECT_NE(mime.find("<sub-class-of type=\"" + std::string(row.mime_parent) + "\"/>\n    <glob pattern=\"*." +
                          std::string(row.extension) + "\""),
                std::string::npos);
    }
  }
  EXPECT_EQ(offered.size(), static_cast<std::size_t>(std::count_if(DiscFormats().begin(), DiscFormats().end(),
                                                                   [](const auto& row) { return row.right_click; })));
}

}  // namespace
}  // namespace quillet
