#include "app/main_form.h"

#include <gtest/gtest.h>

#include <functional>

#include "app/fake_platform.h"
#include "app/form_texts.h"
#include "inspect/signatures.h"

namespace quillet {
namespace {

using testing::FakePlatform;
using testing::ProgramEnded;
using Message = FakePlatform::Message;

const std::string kInitial(kInitialBoxText);
const std::string kTools = "C:\\Program Files\\Quillet\\tools\\";

std::string Pattern(char letter) { return std::string(AllPatterns()[static_cast<std::size_t>(letter - 'A')].bytes); }

std::string Noise(std::size_t size) {
  std::string bytes(size, '\0');
  for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<char>((i * 167 + (i >> 5) * 91) & 0xFF);
  return bytes;
}

const std::string kUnscrambled = Noise(1000) + Pattern('E') + Noise(234);  // 1,270 bytes: "1.2 KB"
const std::string kScrambled = Noise(1234567);                             // "1,205.6 KB"

// Runs a handler; true when it ended the program at once.
bool Ends(const std::function<void()>& handler) {
  try {
    handler();
  } catch (const ProgramEnded&) {
    return true;
  }
  return false;
}

Message ErrorReport(int number, const std::string& description) {
  return {"Random error number " + std::to_string(number) + "\r\n" + description, 0, ""};
}

const Message kIpBinRefusal{"Please select a 1st_read.bin, not an Ip.bin!", 16, "Halt - Ip.bin!"};

class MainFormTest : public ::testing::Test {
 protected:
  FakePlatform platform;
  MainForm form{platform};

  bool Load() {
    return Ends([&] { form.Form_Load(); });
  }
  std::string Box(TextBox box) { return platform.Box(box); }
};

// --- Start-up: button settings, tool check ----------------------------------------------------

TEST_F(MainFormTest, LoadStoresTheElfQuestionsButtonSettingsFirst) {
  EXPECT_FALSE(Load());
  EXPECT_EQ(form.Buttons().Slot(1), (ButtonSetting{"Scrambled", 1, -1}));
  EXPECT_EQ(form.Buttons().Slot(2), (ButtonSetting{"Unscrambled", 0, -1}));
  EXPECT_EQ(form.Buttons().Slot(3), (ButtonSetting{}));
  for (TextBox box : {TextBox::FileName, TextBox::Type, TextBox::Size}) EXPECT_EQ(Box(box), kInitial);
  EXPECT_TRUE(platform.messages.empty());
}

TEST_F(MainFormTest, ConvertIsDisabledWhenEitherToolIsMissing) {
  struct Row {
    std::vector<std::string> present;
    bool enabled;
  };
  for (const Row& row : std::vector<Row>{
           {{kTools + "dcscram.exe", kTools + "sh-elf-objcopy.exe"}, true},
           {{kTools + "dcscram.exe"}, false},
           {{kTools + "sh-elf-objcopy.exe"}, false},
           {{}, false},
       }) {
    FakePlatform fake;
    fake.present_tools = row.present;
    MainForm(fake).Form_Load();
    EXPECT_EQ(fake.convert_enabled, row.enabled) << row.present.size();
  }
}

// --- Command-line entry ---------------------------------------------------------------------------

TEST_F(MainFormTest, StartupScanShowsPathVerdictAndSize) {
  struct Row {
    std::string command_line;
    std::string contents;
    std::string verdict;
    std::string size;
  };
  for (const Row& row : std::vector<Row>{
           {R"(C:\games\1ST_READ.BIN)", kUnscrambled, "UNSCRAMBLED", "1.2 KB"},
           {R"(C:\games\1ST_READ.BIN)", kScrambled, "SCRAMBLED", "1,205.6 KB"},
           {R"(C:\games\empty.bin)", "", "SCRAMBLED", ". KB"},
           // M and N alone: unscrambled whichever way the file arrives.
           {R"(C:\games\m.bin)", Noise(300) + Pattern('M'), "UNSCRAMBLED", ".3 KB"},
           {R"(C:\games\n.bin)", Noise(300) + Pattern('N'), "UNSCRAMBLED", ".3 KB"},
           // The IP.BIN refusal looks at the file's name, so this one is scanned.
           {R"(C:\disc\myip.bin)", kUnscrambled, "UNSCRAMBLED", "1.2 KB"},
           {R"(C:\my games\1ST_READ.BIN)", kScrambled, "SCRAMBLED", "1,205.6 KB"},
       }) {
    FakePlatform fake;
    fake.command_line = row.command_line;
    fake.files[row.command_line] = row.contents;
    EXPECT_FALSE(Ends([&] { MainForm(fake).Form_Load(); })) << row.command_line;
    EXPECT_EQ(fake.Box(TextBox::FileName), row.command_line);
    EXPECT_EQ(fake.Box(TextBox::Type), row.verdict) << row.command_line;
    EXPECT_EQ(fake.Box(TextBox::Size), row.size) << row.command_line;
    EXPECT_TRUE(fake.messages.empty()) << row.command_line;
  }
}

TEST_F(MainFormTest, CommandLineInOnePairOfQuotesIsThePathInside) {
  platform.command_line = R"("C:\my games\1ST_READ.BIN")";
  platform.files[R"(C:\my games\1ST_READ.BIN)"] = kUnscrambled;
  EXPECT_FALSE(Load());
  EXPECT_EQ(Box(TextBox::FileName), R"(C:\my games\1ST_READ.BIN)");
  EXPECT_EQ(Box(TextBox::Type), "UNSCRAMBLED");
}

TEST_F(MainFormTest, IpBinOnTheCommandLineEndsTheProgram) {
  for (const char* path : {R"(C:\disc\IP.BIN)", R"(C:\disc\ip.bin)", R"(C:\disc\Ip.Bin)", "IP.BIN"}) {
    FakePlatform fake;
    fake.command_line = path;
    fake.files[path] = kUnscrambled;
    EXPECT_TRUE(Ends([&] { MainForm(fake).Form_Load(); })) << path;
    EXPECT_EQ(fake.messages, std::vector<Message>{kIpBinRefusal}) << path;
    EXPECT_EQ(fake.Box(TextBox::FileName), kInitial);
    EXPECT_TRUE(fake.settings.empty());
  }
}

TEST_F(MainFormTest, StartupScanFailuresAreReportedAndTheWindowOpens) {
  struct Row {
    std::string command_line;
    Message report;
  };
  for (const Row& row : std::vector<Row>{
           {R"(C:\games\missing.bin)", ErrorReport(53, "File not found")},
           {R"(C:\a.bin C:\b.bin)", ErrorReport(53, "File not found")},
           {R"("C:\a.bin" "C:\b.bin")", ErrorReport(53, "File not found")},
       }) {
    FakePlatform fake;
    fake.command_line = row.command_line;
    fake.files[R"(C:\a.bin)"] = kUnscrambled;
    EXPECT_FALSE(Ends([&] { MainForm(fake).Form_Load(); })) << row.command_line;
    EXPECT_EQ(fake.messages, std::vector<Message>{row.report}) << row.command_line;
    EXPECT_EQ(fake.Box(TextBox::FileName), row.command_line);
    EXPECT_EQ(fake.Box(TextBox::Type), kInitial);
    EXPECT_EQ(fake.Box(TextBox::Size), kInitial);
  }
}

// --- Start-up conversion ------------------------------------------------------------------------------

class StartupConversionTest : public MainFormTest {
 protected:
  void SetUp() override {
    platform.command_line = R"(C:\dev\game.elf)";
    platform.files[R"(C:\dev\game.elf)"] =
        "\x7f"
        "ELF";
  }
};

TEST_F(StartupConversionTest, CancelOrNoQuestionEndsWithNothingRun) {
  for (int answer : {answer::kCancel, answer::kNone}) {
    FakePlatform fake;
    fake.command_line = R"(C:\dev\game.elf)";
    fake.question_answers = {answer};
    EXPECT_TRUE(Ends([&] { MainForm(fake).Form_Load(); })) << answer;
    EXPECT_EQ(fake.questions.size(), 1u);
    EXPECT_TRUE(fake.tool_runs.empty());
    EXPECT_TRUE(fake.messages.empty());
  }
}

TEST_F(StartupConversionTest, TheQuestionWearsScrambledAndUnscrambled) {
  platform.question_answers = {answer::kCancel};
  Load();
  ASSERT_EQ(platform.questions.size(), 1u);
  const FakePlatform::Question& question = platform.questions[0];
  EXPECT_EQ(question.prompt, "Do you wish for a scrambled or unscrambled binary?");
  EXPECT_EQ(question.type, 35);
  EXPECT_EQ(question.title, "Converting an ELF");
  EXPECT_EQ(question.captions, (std::vector<ButtonAssignment>{{0, {"Scrambled", 1, -1}}, {1, {"Unscrambled", 0, -1}}}));
}

TEST_F(StartupConversionTest, ScrambledGoesThroughAFreshIntermediateBesideTheInput) {
  platform.files[R"(C:\dev\game.bin)"] = "the user's own raw binary";
  platform.question_answers = {answer::kYes};
  EXPECT_TRUE(Load());
  ASSERT_EQ(platform.tool_runs.size(), 2u);
  const std::string intermediate = platform.tool_runs[0].arguments.back();
  EXPECT_TRUE(intermediate.starts_with(R"(C:\dev\.game.)")) << intermediate;
  EXPECT_NE(intermediate, R"(C:\dev\game.bin)");
  EXPECT_EQ(platform.tool_runs[0].program, kTools + "sh-elf-objcopy.exe");
  EXPECT_EQ(platform.tool_runs[0].command_line,
            R"(tools/sh-elf-objcopy.exe -O binary "C:\dev\game.elf" ")" + intermediate + "\"");
  EXPECT_EQ(platform.tool_runs[1].program, kTools + "dcscram.exe");
  EXPECT_EQ(platform.tool_runs[1].command_line,
            "tools/dcscram.exe \"" + intermediate + R"(" "C:\dev\game_scrambled.bin")");
  EXPECT_EQ(platform.deletions, std::vector<std::string>{intermediate});
  EXPECT_EQ(platform.files[R"(C:\dev\game.bin)"], "the user's own raw binary");
  EXPECT_TRUE(platform.files.contains(R"(C:\dev\game_scrambled.bin)"));
  EXPECT_EQ(platform.messages,
            (std::vector<Message>{{"Done! game.elf has been converted to game_scrambled.bin.", 64, "Success"}}));
}

TEST_F(StartupConversionTest, UnscrambledIsOneRun) {
  platform.question_answers = {answer::kNo};
  EXPECT_TRUE(Load());
  ASSERT_EQ(platform.tool_runs.size(), 1u);
  EXPECT_EQ(platform.tool_runs[0].command_line,
            R"(tools/sh-elf-objcopy.exe -O binary "C:\dev\game.elf" "C:\dev\game_unscrambled.bin")");
  EXPECT_EQ(platform.tool_runs[0].arguments,
            (std::vector<std::string>{"-O", "binary", R"(C:\dev\game.elf)", R"(C:\dev\game_unscrambled.bin)"}));
  EXPECT_EQ(platform.messages,
            (std::vector<Message>{{"Done! game.elf has been converted to game_unscrambled.bin.", 64, "Success"}}));
}

TEST_F(StartupConversionTest, NamesFollowTheFileName) {
  struct Row {
    std::string path;
    std::string output;
    std::string message;
  };
  for (const Row& row : std::vector<Row>{
           {R"(C:\DEV\GAME.ELF)", R"(C:\DEV\GAME_scrambled.bin)",
            "Done! GAME.elf has been converted to GAME_scrambled.bin."},
           {R"(C:\dev\game.final.elf)", R"(C:\dev\game_scrambled.bin)",
            "Done! game.elf has been converted to game_scrambled.bin."},
           {"C:/dev/game.elf", R"(C:/dev\game_scrambled.bin)",
            "Done! game.elf has been converted to game_scrambled.bin."},
           {R"(C:\games\myself)", R"(C:\games\myself_scrambled.bin)",
            "Done! myself.elf has been converted to myself_scrambled.bin."},
       }) {
    FakePlatform fake;
    fake.command_line = row.path;
    fake.files[row.path] = "elf";
    fake.question_answers = {answer::kYes};
    EXPECT_TRUE(Ends([&] { MainForm(fake).Form_Load(); })) << row.path;
    ASSERT_EQ(fake.tool_runs.size(), 2u) << row.path;
    EXPECT_EQ(fake.tool_runs[1].arguments.back(), row.output);
    EXPECT_EQ(fake.messages.back().text, row.message);
  }
}

TEST_F(StartupConversionTest, MissingElfIsAskedThenReportedAndTheWindowOpens) {
  platform.files.clear();
  platform.question_answers = {answer::kYes};
  EXPECT_FALSE(Load());
  EXPECT_EQ(platform.questions.size(), 1u);
  EXPECT_TRUE(platform.tool_runs.empty());
  EXPECT_EQ(platform.messages, std::vector<Message>{ErrorReport(5, "Invalid procedure call or argument")});
  EXPECT_EQ(Box(TextBox::FileName), kInitial);
}

TEST_F(StartupConversionTest, AFailingToolIsReportedAndTheIntermediateRemoved) {
  struct Row {
    ToolOutcome outcome;
    bool writes;
    std::string description;
  };
  for (const Row& row : std::vector<Row>{
           {{false, 0, "No such file or directory"},
            false,
            "Path/File access error: dcscram.exe could not be started (No such file or directory)"},
           {{true, 1, ""}, true, "Path/File access error: dcscram.exe failed with exit code 1"},
           {{true, 0, ""}, false, R"(Path/File access error: dcscram.exe wrote no file C:\dev\game_scrambled.bin)"},
           {{true, 137, "ended by signal Killed"},
            false,
            "Path/File access error: dcscram.exe was stopped before it finished (ended by signal Killed)"},
       }) {
    FakePlatform fake;
    fake.command_line = R"(C:\dev\game.elf)";
    fake.files[R"(C:\dev\game.elf)"] = "elf";
    fake.question_answers = {answer::kYes};
    fake.run_tool = [&](const ToolRun& run) {
      const bool dcscram = run.program.ends_with("dcscram.exe");
      if (!dcscram || row.writes) fake.files[run.arguments.back()] = "output";
      return dcscram ? row.outcome : ToolOutcome{true, 0, ""};
    };
    EXPECT_FALSE(Ends([&] { MainForm(fake).Form_Load(); })) << row.description;
    EXPECT_EQ(fake.messages, std::vector<Message>{ErrorReport(75, row.description)});
    const std::string intermediate = fake.tool_runs[0].arguments.back();
    EXPECT_FALSE(fake.files.contains(intermediate)) << row.description;
  }
}

TEST_F(StartupConversionTest, ConvertsWithAToolMissingToo) {
  platform.present_tools.clear();
  platform.question_answers = {answer::kNo};
  EXPECT_TRUE(Load());
  EXPECT_FALSE(platform.convert_enabled);
  EXPECT_EQ(platform.tool_runs.size(), 1u);
}

// --- Browse ---------------------------------------------------------------------------------------

class BrowseTest : public MainFormTest {
 protected:
  void Choose(const std::string& path, const std::string& title) {
    platform.chosen_files.push_back(ChosenFile{path, title});
  }
  void Browse() { form.Command1_Click(); }
};

TEST_F(BrowseTest, CancelChangesNothing) {
  Browse();
  EXPECT_EQ(platform.dialogs.size(), 1u);
  EXPECT_EQ(platform.dialogs[0].title, "Open");
  EXPECT_EQ(platform.dialogs[0].filter_name, "Dreamcast binaries (*.bin; *.elf)");
  EXPECT_EQ(platform.dialogs[0].filter_patterns, "*.bin;*.elf");
  EXPECT_TRUE(platform.messages.empty());
  EXPECT_EQ(Box(TextBox::FileName), kInitial);
}

TEST_F(BrowseTest, ScansTheChosenFileByItsFullPath) {
  platform.files[R"(C:\games\1ST_READ.BIN)"] = kScrambled;
  Choose(R"(C:\games\1ST_READ.BIN)", "1ST_READ.BIN");
  Browse();
  EXPECT_EQ(platform.reads, std::vector<std::string>{R"(C:\games\1ST_READ.BIN)"});
  EXPECT_EQ(Box(TextBox::FileName), R"(C:\games\1ST_READ.BIN)");
  EXPECT_EQ(Box(TextBox::Type), "SCRAMBLED");
  EXPECT_EQ(Box(TextBox::Size), "1,205.6 KB");
}

TEST_F(BrowseTest, IpBinIsRefusedAndTheDialogComesBack) {
  for (const char* title : {"IP.BIN", "ip.bin", "Ip.Bin"}) {
    FakePlatform fake;
    fake.chosen_files = {ChosenFile{std::string("C:\\disc\\") + title, title}, std::nullopt};
    MainForm(fake).Command1_Click();
    EXPECT_EQ(fake.messages, std::vector<Message>{kIpBinRefusal}) << title;
    EXPECT_EQ(fake.dialogs.size(), 2u);
    EXPECT_EQ(fake.Box(TextBox::FileName), kInitial);
  }
  platform.files[R"(C:\disc\myip.bin)"] = kUnscrambled;
  Choose(R"(C:\disc\myip.bin)", "myip.bin");
  Browse();
  EXPECT_EQ(Box(TextBox::Type), "UNSCRAMBLED");
}

TEST_F(BrowseTest, ElfFilesGetTheNoticeAndTheirSizeWithoutAScan) {
  for (const char* title : {"game.elf", "GAME.ELF", "myself"}) {
    FakePlatform fake;
    const std::string path = std::string("C:\\dev\\") + title;
    fake.files[path] = std::string(1536, 'x') + Pattern('A');
    fake.chosen_files = {ChosenFile{path, title}};
    MainForm(fake).Command1_Click();
    EXPECT_EQ(fake.Box(TextBox::Type), "ELF binary, please convert.") << title;
    EXPECT_EQ(fake.Box(TextBox::Size), "1.5 KB") << title;
    EXPECT_TRUE(fake.reads.empty()) << title;
  }
}

TEST_F(BrowseTest, MOrNAloneIsUnscrambledAsAtStartup) {
  platform.files[R"(C:\games\m.bin)"] = Noise(500) + Pattern('M');
  Choose(R"(C:\games\m.bin)", "m.bin");
  Browse();
  EXPECT_EQ(Box(TextBox::Type), "UNSCRAMBLED");
}

TEST_F(BrowseTest, AFailedReadIsReportedAndForgetsThePreviousVerdict) {
  platform.files[R"(C:\games\1ST_READ.BIN)"] = kUnscrambled;
  Choose(R"(C:\games\1ST_READ.BIN)", "1ST_READ.BIN");
  Choose(R"(C:\games\gone.bin)", "gone.bin");
  Browse();
  Browse();
  EXPECT_EQ(Box(TextBox::FileName), R"(C:\games\gone.bin)");
  EXPECT_EQ(Box(TextBox::Type), kInitial);
  EXPECT_EQ(Box(TextBox::Size), kInitial);
  EXPECT_EQ(platform.messages, std::vector<Message>{ErrorReport(53, "File not found")});
  // Convert now knows nothing was scanned.
  form.Command3_Click();
  EXPECT_EQ(platform.messages.back(), (Message{"Please load a bin before trying to convert!", 16, "Halt!"}));
  EXPECT_TRUE(platform.tool_runs.empty());
}

// --- Convert ----------------------------------------------------------------------------------------

class ConvertTest : public MainFormTest {
 protected:
  void Scanned(const std::string& path, const std::string& verdict) {
    platform.Box(TextBox::FileName) = path;
    platform.Box(TextBox::Type) = verdict;
    platform.Box(TextBox::Size) = "1. KB";
  }
};

TEST_F(ConvertTest, BinariesGoTheOtherWayBesideTheInput) {
  struct Row {
    std::string path;
    std::string verdict;
    std::string command_line;
    Message message;
  };
  const std::string unscrambled_message = "The scrambled to unscrambled conversion has\r\nbeen completed!\r\n\r\n";
  const std::string scrambled_message = "The unscrambled to scrambled conversion has\r\nbeen completed!\r\n\r\n";
  for (const Row& row : std::vector<Row>{
           {R"(C:\games\1ST_READ.BIN)",
            "SCRAMBLED",
            R"(tools/dcscram.exe -d "C:\games\1ST_READ.BIN" "C:\games\1ST_READ_unscrambled.bin")",
            {unscrambled_message + "1ST_READ_unscrambled.bin is the file name!", 64, "Completed..."}},
           {R"(C:\games\1ST_READ.BIN)",
            "UNSCRAMBLED",
            R"(tools/dcscram.exe "C:\games\1ST_READ.BIN" "C:\games\1ST_READ_scrambled.bin")",
            {scrambled_message + "1ST_READ_scrambled.bin is the file name!", 64, "Completed..."}},
           {R"(C:\games\1ST_READ.BIN)",
            "Unscrambled",
            R"(tools/dcscram.exe "C:\games\1ST_READ.BIN" "C:\games\1ST_READ_scrambled.bin")",
            {scrambled_message + "1ST_READ_scrambled.bin is the file name!", 64, "Completed..."}},
           {R"(C:\games\1ST_READ.BIN)",
            "something typed",
            R"(tools/dcscram.exe -d "C:\games\1ST_READ.BIN" "C:\games\1ST_READ_unscrambled.bin")",
            {unscrambled_message + "1ST_READ_unscrambled.bin is the file name!", 64, "Completed..."}},
           {R"(C:\my games\disc.one.bin)",
            "SCRAMBLED",
            R"(tools/dcscram.exe -d "C:\my games\disc.one.bin" "C:\my games\disc_unscrambled.bin")",
            {unscrambled_message + "disc_unscrambled.bin is the file name!", 64, "Completed..."}},
           {"1ST_READ.BIN",
            "SCRAMBLED",
            R"(tools/dcscram.exe -d "1ST_READ.BIN" "1ST_READ_unscrambled.bin")",
            {unscrambled_message + "1ST_READ_unscrambled.bin is the file name!", 64, "Completed..."}},
           {R"(C:\dev\sub/game.bin)",
            "SCRAMBLED",
            R"(tools/dcscram.exe -d "C:\dev\sub/game.bin" "C:\dev\sub\game_unscrambled.bin")",
            {unscrambled_message + "game_unscrambled.bin is the file name!", 64, "Completed..."}},
       }) {
    FakePlatform fake;
    fake.Box(TextBox::FileName) = row.path;
    fake.Box(TextBox::Type) = row.verdict;
    MainForm(fake).Command3_Click();
    ASSERT_EQ(fake.tool_runs.size(), 1u) << row.path;
    EXPECT_EQ(fake.tool_runs[0].program, kTools + "dcscram.exe");
    EXPECT_EQ(fake.tool_runs[0].command_line, row.command_line);
    EXPECT_EQ(fake.messages, std::vector<Message>{row.message}) << row.command_line;
    EXPECT_EQ(fake.Box(TextBox::FileName), row.path) << "Convert changes no box";
    EXPECT_EQ(fake.Box(TextBox::Type), row.verdict);
  }
}

TEST_F(ConvertTest, BeforeAnyScanItSaysSo) {
  form.Command3_Click();
  EXPECT_EQ(platform.messages, (std::vector<Message>{{"Please load a bin before trying to convert!", 16, "Halt!"}}));
  EXPECT_TRUE(platform.tool_runs.empty());
}

TEST_F(ConvertTest, ElfAnswers) {
  Scanned(R"(C:\dev\game.final.elf)", "ELF binary, please convert.");
  platform.question_answers = {answer::kCancel, answer::kNone, answer::kNo, answer::kYes};
  form.Command3_Click();
  form.Command3_Click();
  EXPECT_TRUE(platform.tool_runs.empty()) << "Cancel and a question that never came run nothing";
  EXPECT_TRUE(platform.messages.empty());

  form.Command3_Click();
  ASSERT_EQ(platform.tool_runs.size(), 1u);
  EXPECT_EQ(platform.tool_runs[0].command_line,
            R"(tools/sh-elf-objcopy.exe -O binary "C:\dev\game.final.elf" "C:\dev\game_unscrambled.bin")");
  EXPECT_EQ(platform.messages.back(),
            (Message{"Done! game.elf has been converted to game_unscrambled.bin.", 64, "Success"}));

  form.Command3_Click();
  ASSERT_EQ(platform.tool_runs.size(), 3u);
  const std::string intermediate = platform.tool_runs[1].arguments.back();
  EXPECT_NE(intermediate, R"(C:\dev\game.final.bin)");
  EXPECT_EQ(platform.tool_runs[2].arguments, (std::vector<std::string>{intermediate, R"(C:\dev\game_scrambled.bin)"}));
  EXPECT_EQ(platform.deletions, std::vector<std::string>{intermediate});
  EXPECT_EQ(platform.messages.back(),
            (Message{"Done! game.elf has been converted to game_scrambled.bin.", 64, "Success"}));
}

TEST_F(ConvertTest, AFailedToolIsNoSuccess) {
  Scanned(R"(C:\games\1ST_READ.BIN)", "SCRAMBLED");
  platform.run_tool = [](const ToolRun&) { return ToolOutcome{true, 2, ""}; };
  form.Command3_Click();
  EXPECT_EQ(platform.messages,
            std::vector<Message>{ErrorReport(75, "Path/File access error: dcscram.exe failed with exit code 2")});
}

TEST_F(ConvertTest, ElfResultsLandInTheFolderOfAPathWithMixedSeparators) {
  Scanned(R"(C:\dev\sub/game.elf)", "ELF binary, please convert.");
  platform.question_answers = {answer::kYes};
  form.Command3_Click();
  ASSERT_EQ(platform.tool_runs.size(), 2u);
  EXPECT_TRUE(platform.tool_runs[0].arguments.back().starts_with(R"(C:\dev\sub\.game.)"));
  EXPECT_EQ(platform.tool_runs[1].arguments.back(), R"(C:\dev\sub\game_scrambled.bin)");
}

TEST_F(ConvertTest, AnEarlierResultIsNoProofTheToolWroteOne) {
  Scanned(R"(C:\games\1ST_READ.BIN)", "SCRAMBLED");
  platform.files[R"(C:\games\1ST_READ_unscrambled.bin)"] = "yesterday's result";
  platform.run_tool = [](const ToolRun&) { return ToolOutcome{true, 0, ""}; };  // and writes nothing
  form.Command3_Click();
  EXPECT_EQ(platform.messages,
            std::vector<Message>{ErrorReport(
                75, R"(Path/File access error: dcscram.exe wrote no file C:\games\1ST_READ_unscrambled.bin)")});
  EXPECT_EQ(platform.files[R"(C:\games\1ST_READ_unscrambled.bin)"], "yesterday's result");
  EXPECT_TRUE(platform.deletions.empty());
}

TEST_F(ConvertTest, PathEndingInASeparatorIsError9) {
  Scanned(R"(C:\games\)", "SCRAMBLED");
  form.Command3_Click();
  EXPECT_EQ(platform.messages, std::vector<Message>{ErrorReport(9, "Subscript out of range")});
  EXPECT_TRUE(platform.tool_runs.empty());
}

// --- Closing, menus ---------------------------------------------------------------------------------

TEST_F(MainFormTest, UnloadStoresThePlacementUnlessMinimised) {
  struct Row {
    WindowState state;
    std::vector<FakePlatform::Entry> settings;
  };
  for (const Row& row : std::vector<Row>{
           {WindowState::Normal,
            {{"Settings", "MainLeft", "3600"},
             {"Settings", "MainTop", "-150"},
             {"Settings", "MainWidth", "4800"},
             {"Settings", "MainHeight", "3300.5"}}},
           {WindowState::Maximised,
            {{"Settings", "MainLeft", "3600"},
             {"Settings", "MainTop", "-150"},
             {"Settings", "MainWidth", "4800"},
             {"Settings", "MainHeight", "3300.5"}}},
           {WindowState::Minimised, {}},
       }) {
    FakePlatform fake;
    fake.placement = {row.state, 3600, -150, 4800, 3300.5f};
    MainForm(fake).Form_Unload();
    EXPECT_EQ(fake.settings, row.settings);
  }
}

TEST_F(MainFormTest, UnloadIgnoresAStoreThatRefuses) {
  platform.settings_fail = true;
  EXPECT_NO_THROW(form.Form_Unload());
  EXPECT_TRUE(platform.messages.empty());
}

TEST_F(MainFormTest, ExitClosesTheWindowAsTheCloseButtonDoes) {
  form.mnuFileExit_Click();
  EXPECT_TRUE(platform.close_requested);
}

TEST_F(MainFormTest, AboutShowsFifteenLines) {
  form.mnuHelpAbout_Click();
  ASSERT_EQ(platform.messages.size(), 1u);
  EXPECT_EQ(platform.messages[0].type, 64);
  EXPECT_EQ(platform.messages[0].title, "About...");
  EXPECT_EQ(platform.messages[0].text,
            "This program was made to scan the specified\r\n"
            "1st_read.bin file and tell the user if the file is a \r\n"
            "scrambled or an unscrambled binary.\r\n"
            "\r\n"
            "This program was created by Tarquell.\r\n"
            "Questions/Comments/Bug Reports? Please\r\n"
            "send away to 'tarquell@quillet.org'.\r\n"
            "\r\n"
            "Thank you for downloading this program, I\r\n"
            "hope you find it useful!\r\n"
            "\r\n"
            "For more information on scrambled/unscrambled\r\n"
            "binaries, please check out my webpage.\r\n"
            "\r\n"
            "https://quillet.org/");
}

TEST_F(MainFormTest, RightClickIntegration) {
  const Message question{"Are you sure?", 4, "Continue?"};
  const std::string command = R"("C:\dc tools\vardelm.exe" %1)";
  struct Row {
    int answer;
    std::vector<std::string> failing;
    std::vector<FakePlatform::Entry> written;
    std::vector<Message> messages;
  };
  for (const Row& row : std::vector<Row>{
           {answer::kNo, {}, {}, {question}},
           {answer::kYes,
            {},
            {{".bin", "Scan Dreamcast binary", command}, {".elf", "Convert to Dreamcast binary", command}},
            {question, {"Quillet is now integrated into right-click menus.", 64, "Success"}}},
           {answer::kYes,
            {".elf"},
            {{".bin", "Scan Dreamcast binary", command}},
            {question,
             {"Quillet could not be integrated into right-click menus.\r\nConvert to Dreamcast binary: Permission "
              "denied",
              16, ""}}},
       }) {
    FakePlatform fake;
    fake.executable_folder = R"(C:\dc tools)";
    fake.message_answers = {row.answer};
    fake.failing_shell_extensions = row.failing;
    MainForm(fake).mnuOptionsShell_Click();
    EXPECT_EQ(fake.shell_verbs, row.written);
    EXPECT_EQ(fake.messages, row.messages);
  }
}

// --- Small rules ------------------------------------------------------------------------------------

TEST(CommandLinePathTest, OnePairOfQuotesComesOff) {
  struct Row {
    const char* text;
    const char* path;
  };
  for (const Row& row : std::vector<Row>{
           {R"("C:\my games\a.bin")", R"(C:\my games\a.bin)"},
           {R"(C:\my games\a.bin)", R"(C:\my games\a.bin)"},
           {R"("C:\a.bin" "C:\b.bin")", R"("C:\a.bin" "C:\b.bin")"},
           {R"("C:\a.bin)", R"("C:\a.bin)"},
           {R"("")", ""},
           {R"(")", R"(")"},
           {"", ""},
       }) {
    EXPECT_EQ(CommandLinePath(row.text), row.path) << row.text;
  }
}

TEST(SettingTextTest, WholeNumbersWithoutAPoint) {
  EXPECT_EQ(SettingText(3600, "."), "3600");
  EXPECT_EQ(SettingText(-150, "."), "-150");
  EXPECT_EQ(SettingText(0, "."), "0");
  EXPECT_EQ(SettingText(3300.5f, ","), "3300,5");
  EXPECT_EQ(SettingText(1234.567f, "."), "1234.567");
}

}  // namespace
}  // namespace quillet
