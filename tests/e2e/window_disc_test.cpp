// Disc images in the window, on real files with the real dcscram: each kind of image through
// Browse, a drop and the command line shows its boot file's form and size, and Convert writes the
// boot file in the other form, byte for byte what quillet convert writes; an image that cannot be
// read leaves the window as it was. A file scrambled twice and an ELF under another name too.
#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

#include "app/fake_window.h"
#include "app/main_form.h"
#include "app/program_on_disk.h"
#include "app/size_text.h"
#include "cli/quillet_command.h"
#include "support/temp_folder.h"

namespace quillet {
namespace {

namespace fs = std::filesystem;
using testing::FakeWindow;
using testing::ReadFile;

TEST(WindowDiscTest, EachImageThroughEachWayInAndConverted) {
  const testing::TempFolder folder;
  const std::string fixtures = QUILLET_SH_FIXTURES;
  fs::create_directories(folder.path() / "program" / "tools");
  fs::create_symlink(QUILLET_DCSCRAM, folder.path() / "program" / "tools" / "dcscram");
  fs::create_symlink(QUILLET_SH_OBJCOPY, folder.path() / "program" / "tools" / "sh-elf-objcopy");
  fs::copy(fixtures + "/disc/gdi", folder.path() / "gdi");
  fs::copy(fixtures + "/disc/cue", folder.path() / "cue");
  const auto copy = [&](const std::string& from, const std::string& name) {
    fs::copy_file(from, folder.path() / name);
    return folder.PathOf(name);
  };
  const std::string scrambled_once = folder.PathOf("once.bin");
  std::ostringstream ignored;
  const std::vector<std::string> scramble{"convert", "--to",         "scrambled",
                                          "-o",      scrambled_once, fixtures + "/hello.bin"};
  ASSERT_EQ(RunQuillet(scramble, ignored, ignored), 0);
  const std::vector<std::string> twice{"convert", "--to", "scrambled", "--force", scrambled_once};
  ASSERT_EQ(RunQuillet(twice, ignored, ignored), 0);
  const std::string hello_size =
      SizeText(static_cast<std::int64_t>(fs::file_size(fixtures + "/hello.bin")), {}) + " (boot file)";
  // A Nero image: a chunk table after the data, named by its last 12 bytes.
  const std::string hello = ReadFile(fixtures + "/hello.bin");
  std::string nero = hello + "CUEX" + std::string(4, '\0') + "NER5" + std::string(8, '\0');
  for (std::size_t byte = 0; byte < 4; ++byte)
    nero[nero.size() - 1 - byte] = static_cast<char>(hello.size() >> (8 * byte));
  struct Row {
    std::string path;
    std::string verdict, size;  // in the boxes after the scan
    std::string result;         // Convert's, beside the image; empty: refused, the window as it was
    std::string disc;           // the start of the disc's line
  };
  // The tests' boot code is no stock one (unless a test in this process vouched for it), so whether the
  // disc boots cannot be told.
  const std::string unknown_loader =
      " (boot file 1ST_READ.BIN): cannot tell whether it boots: the IP.BIN carries boot code of its own";
  for (const Row& row : std::vector<Row>{
           {copy(fixtures + "/disc/scrambled.cdi", "dk.cdi"), "SCRAMBLED", hello_size, "dk_unscrambled.bin",
            "A CDI image" + unknown_loader},
           {copy(fixtures + "/disc/plain.iso", "plain.iso"), "UNSCRAMBLED", hello_size, "plain_scrambled.bin",
            "An ISO image" + unknown_loader},
           {folder.PathOf("gdi/disc.gdi"), "UNSCRAMBLED", hello_size, "disc_scrambled.bin",
            "A GD-ROM (GDI) image" + unknown_loader},
           {folder.PathOf("gdi/track 03 boot.bin"), "UNSCRAMBLED", hello_size, "track 03 boot_scrambled.bin",
            "A raw data track" + unknown_loader},
           {folder.PathOf("cue/disc.cue"), "UNSCRAMBLED", hello_size, "disc_scrambled.bin",
            "A BIN/CUE image" + unknown_loader},
           {copy(fixtures + "/disc/chd/split.chd", "split.chd"), "UNSCRAMBLED", hello_size, "split_scrambled.bin",
            "A CHD image" + unknown_loader},
           {folder.Write("utopia.bin", nero), "", "", "", ""},
           {folder.PathOf("once_scrambled.bin"), "SCRAMBLED", "", "once_scrambled_unscrambled.bin", "Not a disc image"},
       }) {
    for (const std::string way : {"browse", "drop", "start-up"}) {
      FakeWindow window;
      testing::ProgramOnDisk system;
      system.executable_folder = folder.PathOf("program");
      MainForm form(window, system);
      if (way == "start-up") system.command_line = row.path;
      form.Form_Load();
      if (way == "browse") {
        window.chosen_files = {ChosenFile{row.path, fs::path(row.path).filename().string()}};
        form.Command1_Click();
      }
      if (way == "drop") form.Form_OLEDragDrop({row.path});
      const std::string label = row.path + ", " + way;
      if (row.result.empty()) {
        ASSERT_EQ(window.messages.size(), 1u) << label;
        EXPECT_EQ(window.messages[0].text,
                  "Random error number 5\r\nInvalid procedure call or argument: utopia.bin is a Nero image; Quillet "
                  "reads CDI, ISO, GD-ROM (.gdi), cue sheet (.cue) and CHD images")
            << label;
        EXPECT_EQ(window.Box(TextBox::FileName), std::string(kInitialBoxText)) << label << ": the window as it was";
        continue;
      }
      EXPECT_TRUE(window.messages.empty()) << label << ": " << window.messages[0].text;
      EXPECT_EQ(window.Box(TextBox::Type), row.verdict) << label;
      if (!row.size.empty()) {
        EXPECT_EQ(window.Box(TextBox::Size), row.size) << label;
      }
      // The disc's line: what the image was read as, and whether it boots.
      EXPECT_EQ(window.Box(TextBox::Disc).substr(0, row.disc.size()), row.disc) << label;
      if (way != "browse") continue;
      // Convert, and quillet convert into a folder of its own: the same bytes.
      form.Command3_Click();
      ASSERT_EQ(window.messages.size(), 1u) << label;
      EXPECT_EQ(window.messages[0].title, "Completed...") << window.messages[0].text;
      const std::string result = (fs::path(row.path).parent_path() / row.result).string();
      const std::string target = row.result.find("_unscrambled") != std::string::npos ? "unscrambled" : "scrambled";
      const std::vector<std::string> convert{"convert", "--to", target, "-o", folder.PathOf("cli.bin"), row.path};
      ASSERT_EQ(RunQuillet(convert, ignored, ignored), 0) << label;
      EXPECT_TRUE(ReadFile(result) == ReadFile(folder.PathOf("cli.bin"))) << label;
      EXPECT_TRUE(ReadFile(result) == ReadFile(fixtures + "/hello.bin") || target == "scrambled") << label;
      fs::remove(result);
    }
  }
  // No intermediate left anywhere, no image changed.
  for (const auto& entry : fs::recursive_directory_iterator(folder.path())) {
    EXPECT_FALSE(entry.path().filename().string().starts_with(".")) << entry.path();
  }
  EXPECT_TRUE(ReadFile(folder.PathOf("dk.cdi")) == ReadFile(fixtures + "/disc/scrambled.cdi"));
}

}  // namespace
}  // namespace quillet
