// A start-up conversion of a real SH ELF, as the right-click entry starts it, through the real GNU
// sh-elf-objcopy and our dcscram in a tools folder beside the program.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "app/fake_window.h"
#include "app/local_system.h"
#include "app/main_form.h"
#include "app/program_on_disk.h"
#include "inspect/signatures.h"
#include "scramble/scramble.h"
#include "support/temp_folder.h"
#include "sys/tool_runner.h"

namespace quillet {
namespace {

namespace fs = std::filesystem;
using testing::FakeWindow;

using testing::ProgramOnDisk;
using testing::ReadFile;
using testing::TempFolder;

class StartupConversionEndToEnd : public ::testing::Test {
 protected:
  void SetUp() override {
    fs::create_directories(folder.path() / "program" / "tools");
    fs::create_symlink(QUILLET_DCSCRAM, folder.path() / "program" / "tools" / "dcscram");
    fs::create_symlink(QUILLET_SH_OBJCOPY, folder.path() / "program" / "tools" / "sh-elf-objcopy");
    fs::create_directories(folder.path() / "my games");
    fs::copy_file(QUILLET_SH_FIXTURES "/hello.elf", folder.path() / "my games" / "game.elf");

    system.executable_folder = folder.PathOf("program");
    system.command_line = elf;
  }

  // What the conversion must give: objcopy's raw binary, made here by running objcopy directly.
  std::string RawBinary() {
    const std::string raw = folder.PathOf("reference.bin");
    EXPECT_EQ(RunToolAndWait(ObjcopyRun(QUILLET_SH_OBJCOPY, elf, raw)).exit_code, 0);
    return ReadFile(raw);
  }

  std::vector<std::string> FilesBesideTheElf() {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder.path() / "my games"))
      names.push_back(entry.path().filename());
    std::sort(names.begin(), names.end());
    return names;
  }

  TempFolder folder;
  FakeWindow window;
  ProgramOnDisk system;
  const std::string elf = folder.PathOf("my games/game.elf");
};

TEST_F(StartupConversionEndToEnd, ScrambledIsDcscramOfObjcopy) {
  window.question_answers = {Answer::Yes};
  EXPECT_THROW(MainForm(window, system).Form_Load(), testing::ProgramEnded);
  EXPECT_EQ(window.messages.back().text, "Done! game.elf has been converted to game_scrambled.bin.");

  const std::string raw = RawBinary();
  std::string expected(raw.size(), '\0');
  Scramble({reinterpret_cast<const std::byte*>(raw.data()), raw.size()},
           {reinterpret_cast<std::byte*>(expected.data()), expected.size()});
  EXPECT_EQ(ReadFile(folder.PathOf("my games/game_scrambled.bin")), expected);
  EXPECT_EQ(FilesBesideTheElf(), (std::vector<std::string>{"game.elf", "game_scrambled.bin"}))
      << "no intermediate left";
  const FileContents image = ReadWholeFile(folder.PathOf("my games/game_scrambled.bin"));
  EXPECT_EQ(ScanSignatures(image.bytes(), StartupSignatures()), ScrambleVerdict::Scrambled);
}

TEST_F(StartupConversionEndToEnd, UnscrambledIsObjcopysRawBinary) {
  window.question_answers = {Answer::No};
  EXPECT_THROW(MainForm(window, system).Form_Load(), testing::ProgramEnded);
  EXPECT_EQ(ReadFile(folder.PathOf("my games/game_unscrambled.bin")), RawBinary());
  EXPECT_EQ(FilesBesideTheElf(), (std::vector<std::string>{"game.elf", "game_unscrambled.bin"}));
}

TEST_F(StartupConversionEndToEnd, AToolThatSucceedsWithoutWritingFailsDespiteAnEarlierResult) {
  const fs::path objcopy = folder.path() / "program" / "tools" / "sh-elf-objcopy";
  fs::remove(objcopy);
  {
    std::ofstream script(objcopy);
    script << "#!/bin/sh\nexit 0\n";
  }
  fs::permissions(objcopy, fs::perms::owner_all);
  const std::string earlier = folder.Write("my games/game_unscrambled.bin", "an earlier result");
  window.question_answers = {Answer::No};
  window.message_answers = {Answer::Yes};  // replace it
  MainForm(window, system).Form_Load();    // the error is reported, and the window stays
  ASSERT_EQ(window.messages.size(), 2u);
  EXPECT_EQ(window.messages.front().text, "game_unscrambled.bin exists. Replace it?");
  EXPECT_EQ(window.messages.back().text,
            "Random error number 75\r\nCould not write " + earlier + ": sh-elf-objcopy wrote no file " + earlier + ".");
  EXPECT_EQ(ReadFile(earlier), "an earlier result");
}

}  // namespace
}  // namespace quillet
