#include "app/main_form.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <map>
#include <random>

#include "app/fake_system.h"
#include "app/fake_window.h"
#include "app/texts.h"
#include "disc/boot_rule.h"
#include "inspect/signatures.h"
#include "scramble/scramble.h"

namespace quillet {
namespace {

using testing::FakeSystem;
using testing::FakeWindow;
using testing::ProgramEnded;
using Message = FakeWindow::Message;

// A fake window and a fake system, and the form between them.
struct Fakes {
  FakeWindow window;
  FakeSystem system;
  MainForm Form() { return MainForm(window, system); }
};

const std::string kInitial(kInitialBoxText);
const std::string kTools = "C:\\Program Files\\Quillet\\tools\\";

std::string Pattern(char letter) { return std::string(AllPatterns()[static_cast<std::size_t>(letter - 'A')].bytes); }

// Random bytes: no plain run, and no layout to tell a form by.
std::string Noise(std::size_t size) {
  std::mt19937 random(7);
  std::string bytes(size, '\0');
  for (char& byte : bytes) byte = static_cast<char>(random());
  return bytes;
}

std::string Repeated(const std::string& text, int times) {
  std::string repeated;
  for (int i = 0; i < times; ++i) repeated += text;
  return repeated;
}

// SH-4 functions as a compiler lays them out: a frame set up, a body, the frame released. Scrambled,
// it is a program whose form the layout tells.
std::string ScrambledCode(std::size_t size) {
  static const std::uint16_t kBody[] = {0x6133, 0x7104, 0xE200, 0x2122, 0x6012, 0x8801, 0x8B02,
                                        0x4008, 0x3C2C, 0xD103, 0x410B, 0x0009, 0x6503, 0x65F2};
  std::mt19937 random(5);
  std::vector<std::uint16_t> words;
  while (words.size() * 2 < size) {
    words.insert(words.end(), {0x2FE6, 0x4F22, 0x6EF3});
    for (auto count = 4 + random() % 17; count > 0; --count) {
      words.push_back(static_cast<std::uint16_t>(kBody[random() % std::size(kBody)] ^ (random() % 4) << 4));
    }
    words.insert(words.end(), {0x6FE3, 0x4F26, 0x6EF6, 0x000B, 0x0009});
  }
  std::string plain(size, '\0');
  std::memcpy(plain.data(), words.data(), size);  // little-endian, as the console reads them
  std::string scrambled(size, '\0');
  Scramble({reinterpret_cast<const std::byte*>(plain.data()), size},
           {reinterpret_cast<std::byte*>(scrambled.data()), size});
  return scrambled;
}

const std::string kUnscrambled = Noise(1000) + Pattern('E') + Noise(234);  // 1,270 bytes: "1.2 KB"
const std::string kScrambled = ScrambledCode(1234567);                     // "1,205.6 KB"
// A disc's boot header under any name: the hardware ID and a boot file name at 0x60.
const std::string kBootSector = "SEGA SEGAKATANA " + std::string(0x50, ' ') + "1ST_READ.BIN    " + Noise(2000);

// A tool's run as if it had written `output` itself: it writes a fresh hidden name beside it, which
// then takes the output's place.
std::string CommandLineFor(const ToolRun& run, const std::string& output) {
  std::string command_line = run.command_line;
  const std::string& written = run.arguments.back();
  EXPECT_TRUE(written != output && written.ends_with(".tmp") &&
              written.find("." + std::string(FileTitle(output, PathStyle::Windows)) + ".") != std::string::npos)
      << written << " is no fresh name beside " << output;
  return command_line.replace(command_line.rfind(written), written.size(), output);
}

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
  return {"Random error number " + std::to_string(number) + "\r\n" + description, message_kind::kOk, ""};
}

const Message kIpBinRefusal{"Please select a 1st_read.bin, not an Ip.bin!", message_kind::kCritical, "Halt - Ip.bin!"};

class MainFormTest : public ::testing::Test {
 protected:
  Fakes app;
  MainForm form{app.window, app.system};

  bool Load() {
    return Ends([&] { form.Form_Load(); });
  }
  std::string Box(TextBox box) { return app.window.Box(box); }
};

// --- Start-up: button settings, tool check ----------------------------------------------------

TEST_F(MainFormTest, LoadStoresTheElfQuestionsButtonSettingsFirst) {
  EXPECT_FALSE(Load());
  // Each with its access key: Alt+S, Alt+U.
  EXPECT_EQ(form.Buttons().Slot(1), (ButtonSetting{"&Scrambled", 1, -1}));
  EXPECT_EQ(form.Buttons().Slot(2), (ButtonSetting{"&Unscrambled", 0, -1}));
  EXPECT_EQ(form.Buttons().Slot(3), (ButtonSetting{}));
  for (TextBox box : {TextBox::FileName, TextBox::Type, TextBox::Size}) EXPECT_EQ(Box(box), kInitial);
  EXPECT_TRUE(app.window.messages.empty());
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
    Fakes fake;
    fake.system.present_tools = row.present;
    fake.Form().Form_Load();
    EXPECT_EQ(fake.window.convert_enabled, row.enabled) << row.present.size();
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
           // No program, or none that can be told: never called SCRAMBLED.
           {R"(C:\games\empty.bin)", "", "UNDECIDED", ". KB"},
           {R"(C:\games\noise.bin)", Noise(300000), "UNDECIDED", "293. KB"},
           {R"(C:\games\readme.txt)", Repeated("The quick brown fox jumps over the lazy dog.\n", 70), "NOT A PROGRAM",
            "3.1 KB"},
           // M and N alone: unscrambled whichever way the file arrives.
           {R"(C:\games\m.bin)", Noise(300) + Pattern('M'), "UNSCRAMBLED", ".3 KB"},
           {R"(C:\games\n.bin)", Noise(300) + Pattern('N'), "UNSCRAMBLED", ".3 KB"},
           // The IP.BIN refusal looks at the file's name, so this one is scanned.
           {R"(C:\disc\myip.bin)", kUnscrambled, "UNSCRAMBLED", "1.2 KB"},
           {R"(C:\my games\1ST_READ.BIN)", kScrambled, "SCRAMBLED", "1,205.6 KB"},
       }) {
    Fakes fake;
    fake.system.command_line = row.command_line;
    fake.system.files[row.command_line] = row.contents;
    EXPECT_FALSE(Ends([&] { fake.Form().Form_Load(); })) << row.command_line;
    EXPECT_EQ(fake.window.Box(TextBox::FileName), row.command_line);
    EXPECT_EQ(fake.window.Box(TextBox::Type), row.verdict) << row.command_line;
    EXPECT_EQ(fake.window.Box(TextBox::Size), row.size) << row.command_line;
    EXPECT_TRUE(fake.window.messages.empty()) << row.command_line;
  }
}

TEST_F(MainFormTest, CommandLineInOnePairOfQuotesIsThePathInside) {
  app.system.command_line = R"("C:\my games\1ST_READ.BIN")";
  app.system.files[R"(C:\my games\1ST_READ.BIN)"] = kUnscrambled;
  EXPECT_FALSE(Load());
  EXPECT_EQ(Box(TextBox::FileName), R"(C:\my games\1ST_READ.BIN)");
  EXPECT_EQ(Box(TextBox::Type), "UNSCRAMBLED");
}

TEST_F(MainFormTest, IpBinOnTheCommandLineEndsTheProgram) {
  // By its name, or by its content under another name.
  for (const auto& [path, contents] :
       std::vector<std::pair<std::string, std::string>>{{R"(C:\disc\IP.BIN)", kUnscrambled},
                                                        {R"(C:\disc\ip.bin)", kUnscrambled},
                                                        {R"(C:\disc\Ip.Bin)", kUnscrambled},
                                                        {"IP.BIN", kUnscrambled},
                                                        {R"(C:\disc\boot.bin)", kBootSector}}) {
    Fakes fake;
    fake.system.command_line = path;
    fake.system.files[path] = contents;
    EXPECT_TRUE(Ends([&] { fake.Form().Form_Load(); })) << path;
    EXPECT_EQ(fake.window.messages, std::vector<Message>{kIpBinRefusal}) << path;
    EXPECT_EQ(fake.window.Box(TextBox::FileName), kInitial);
    EXPECT_TRUE(fake.system.settings.empty());
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
    Fakes fake;
    fake.system.command_line = row.command_line;
    fake.system.files[R"(C:\a.bin)"] = kUnscrambled;
    EXPECT_FALSE(Ends([&] { fake.Form().Form_Load(); })) << row.command_line;
    EXPECT_EQ(fake.window.messages, std::vector<Message>{row.report}) << row.command_line;
    EXPECT_EQ(fake.window.Box(TextBox::FileName), row.command_line);
    EXPECT_EQ(fake.window.Box(TextBox::Type), kInitial);
    EXPECT_EQ(fake.window.Box(TextBox::Size), kInitial);
  }
}

// --- Start-up conversion ------------------------------------------------------------------------------

// An ELF file on the command line, as the right-click entry starts it: each row an answer to the
// question and what the tools do; then what ran (a tool's fresh output as "{fresh}", the scrambled
// conversion's intermediate beside the input as "{raw}"), what was said, what is left, and whether
// the program ended at once.
TEST(StartupConversionTest, EachAnswerAndEachOutcome) {
  const std::string elf = R"(C:\dev\game.elf)";
  const std::string objcopy = R"(tools/sh-elf-objcopy.exe -O binary ")";
  const std::vector<std::string> scrambled = {objcopy + elf + R"(" "{raw}")", R"(tools/dcscram.exe "{raw}" "{fresh}")"};
  const auto done = [](const std::string& from, const std::string& to) {
    return std::vector<Message>{
        {"Done! " + from + " has been converted to " + to + ".", message_kind::kInformation, "Success"}};
  };
  const auto dcscram_does = [](ToolOutcome outcome, bool writes) {
    return [=](Fakes& fake) {
      fake.system.run_tool = [&fake, outcome, writes](const ToolRun& run) {
        const bool dcscram = run.program.ends_with("dcscram.exe");
        if (!dcscram || writes) fake.system.files[run.arguments.back()] = "output";
        return dcscram ? outcome : ToolOutcome{true, 0, "", ""};
      };
    };
  };
  // The error names the result and says what failed, never a temporary name.
  const auto error = [](const std::string& reason) {
    return std::vector<Message>{ErrorReport(75, R"(Could not write C:\dev\game_scrambled.bin: )" + reason + ".")};
  };
  struct Row {
    const char* label;
    Answer answer;
    std::vector<std::string> command_lines = {};
    std::vector<Message> messages = {};
    std::string result = {};  // where given, the file written
    bool ends = true;
    std::string path = R"(C:\dev\game.elf)";
    std::function<void(Fakes&)> arrange = {};
  };
  for (const Row& row : std::vector<Row>{
           {"cancelled", Answer::Cancel, {}, {}},
           {"no answer", Answer::None, {}, {}},
           {"scrambled: objcopy into a fresh intermediate, then dcscram", Answer::Yes, scrambled,
            done("game.elf", "game_scrambled.bin"), R"(C:\dev\game_scrambled.bin)", true, elf,
            [](Fakes& fake) { fake.system.files[R"(C:\dev\game.bin)"] = "the user's own raw binary"; }},
           {"unscrambled: objcopy alone",
            Answer::No,
            {objcopy + elf + R"(" "{fresh}")"},
            done("game.elf", "game_unscrambled.bin"),
            R"(C:\dev\game_unscrambled.bin)"},
           {"names in capitals",
            Answer::Yes,
            {},
            done("GAME.ELF", "GAME_scrambled.bin"),
            R"(C:\DEV\GAME_scrambled.bin)",
            true,
            R"(C:\DEV\GAME.ELF)"},
           {"a name of several dots",
            Answer::Yes,
            {},
            done("game.final.elf", "game_scrambled.bin"),
            R"(C:\dev\game_scrambled.bin)",
            true,
            R"(C:\dev\game.final.elf)"},
           {"forward slashes",
            Answer::Yes,
            {},
            done("game.elf", "game_scrambled.bin"),
            R"(C:/dev\game_scrambled.bin)",
            true,
            "C:/dev/game.elf"},
           {"no extension",
            Answer::Yes,
            {},
            done("myself", "myself_scrambled.bin"),
            R"(C:\games\myself_scrambled.bin)",
            true,
            R"(C:\games\myself)"},
           {"a tool missing from the folder: converted all the same, Convert off",
            Answer::No,
            {objcopy + elf + R"(" "{fresh}")"},
            done("game.elf", "game_unscrambled.bin"),
            R"(C:\dev\game_unscrambled.bin)",
            true,
            elf,
            [](Fakes& fake) { fake.system.present_tools.clear(); }},
           {"the ELF file missing: asked, then reported, and the window opens",
            Answer::Yes,
            {},
            {ErrorReport(5, "Invalid procedure call or argument")},
            "",
            false,
            elf,
            [](Fakes& fake) { fake.system.files.clear(); }},
           {"dcscram not started",
            Answer::Yes,
            {},
            error("dcscram.exe could not be started (No such file or directory)"),
            "",
            false,
            elf,
            dcscram_does({false, 0, "No such file or directory", ""}, false)},
           {"dcscram failing",
            Answer::Yes,
            {},
            error("dcscram.exe failed with exit code 1"),
            "",
            false,
            elf,
            dcscram_does({true, 1, "", ""}, true)},
           {"dcscram writing nothing",
            Answer::Yes,
            {},
            error(R"(dcscram.exe wrote no file C:\dev\game_scrambled.bin)"),
            "",
            false,
            elf,
            dcscram_does({true, 0, "", ""}, false)},
           {"dcscram stopped",
            Answer::Yes,
            {},
            error("dcscram.exe was stopped before it finished (ended by signal Killed)"),
            "",
            false,
            elf,
            dcscram_does({true, 137, "ended by signal Killed", ""}, false)},
       }) {
    SCOPED_TRACE(row.label);
    Fakes fake;
    fake.system.command_line = row.path;
    fake.system.files[row.path] =
        "\x7f"
        "ELF";
    fake.window.question_answers = {row.answer};
    if (row.arrange) row.arrange(fake);
    const bool tools_there = !fake.system.present_tools.empty();
    const std::map<std::string, std::string> before = fake.system.files;
    EXPECT_EQ(Ends([&] { fake.Form().Form_Load(); }), row.ends);
    // The question, always: "Scrambled" and "Unscrambled" on its first two buttons.
    ASSERT_EQ(fake.window.questions.size(), 1u);
    const FakeWindow::Question& question = fake.window.questions[0];
    EXPECT_EQ(question.prompt, "Do you wish for a scrambled or unscrambled binary?");
    EXPECT_EQ(question.kind, message_kind::kYesNoCancelQuestion);
    EXPECT_EQ(question.title, "Converting an ELF");
    EXPECT_EQ(question.captions,
              (std::vector<ButtonAssignment>{{0, {"&Scrambled", 1, -1}}, {1, {"&Unscrambled", 0, -1}}}));
    EXPECT_EQ(fake.window.messages, row.messages);
    EXPECT_EQ(fake.window.convert_enabled, tools_there);
    const std::vector<ToolRun>& runs = fake.system.tool_runs;
    if (row.answer == Answer::Cancel || row.answer == Answer::None) {
      EXPECT_TRUE(runs.empty());
    }
    if (!row.command_lines.empty()) {
      ASSERT_EQ(runs.size(), row.command_lines.size());
      const std::string raw = runs.size() == 2 ? runs.front().arguments.back() : "";
      for (std::size_t index = 0; index < runs.size(); ++index) {
        std::string line = runs[index].command_line;
        if (index + 1 == runs.size()) {
          line = CommandLineFor(runs[index], row.result);
          line.replace(line.rfind(row.result), row.result.size(), "{fresh}");
        }
        if (const std::size_t at = raw.empty() ? std::string::npos : line.find(raw); at != std::string::npos) {
          line.replace(at, raw.size(), "{raw}");
        }
        EXPECT_EQ(line, row.command_lines[index]);
      }
      if (!raw.empty()) {
        EXPECT_TRUE(raw.starts_with(R"(C:\dev\.game.)")) << raw;
        // Besides the probe that the folder takes a new file.
        std::erase_if(fake.system.deletions, [](const std::string& path) { return path.ends_with(".tmp"); });
        EXPECT_EQ(fake.system.deletions, std::vector<std::string>{raw});
      }
    }
    if (!row.result.empty()) {
      EXPECT_TRUE(fake.system.files.contains(row.result));
    }
    // Nothing left but the input and the result, and nothing of the user's replaced.
    for (const auto& [path, bytes] : before) {
      if (fake.system.files.contains(path)) {
        EXPECT_EQ(fake.system.files.at(path), bytes) << path;
      }
    }
    for (const auto& [path, bytes] : fake.system.files) {
      EXPECT_TRUE(before.contains(path) || path == row.result) << path << " was left";
    }
  }
}

// --- Browse ---------------------------------------------------------------------------------------

class BrowseTest : public MainFormTest {
 protected:
  void Choose(const std::string& path, const std::string& title) {
    app.window.chosen_files.push_back(ChosenFile{path, title});
  }
  void Browse() { form.Command1_Click(); }
};

TEST_F(BrowseTest, AnElfByContentAndADiscThatWouldNotStartItsBootFile) {
  app.system.files[R"(C:\games\game.bin)"] =
      "\x7F"
      "ELF" +
      Noise(3000);
  app.system.files[R"(C:\games\dk.cdi)"] = "an image";
  DiscBootFile& disc = app.system.discs[R"(C:\games\dk.cdi)"];
  disc.format = DiscFormat::Cdi;
  disc.boot.header.boot_file = "1ST_READ.BIN";
  disc.boot.header.boot_code = StockBootCodes().front();  // the console's own boot code: a CD-R boots it scrambled
  disc.boot.header.area_symbols = "JUE";
  disc.boot.header.area_texts = {"For JAPAN,TAIWAN,PHILIPINES.", "For USA and CANADA.", "For EUROPE."};
  disc.boot.bytes.resize(kUnscrambled.size());
  std::memcpy(disc.boot.bytes.data(), kUnscrambled.data(), kUnscrambled.size());
  form.Form_OLEDragDrop({R"(C:\games\game.bin)"});
  EXPECT_EQ(app.window.Box(TextBox::Type), "ELF binary, please convert.");
  EXPECT_TRUE(app.window.messages.empty());
  form.Form_OLEDragDrop({R"(C:\games\dk.cdi)"});
  EXPECT_EQ(app.window.Box(TextBox::Type), "UNSCRAMBLED");
  EXPECT_EQ(app.window.Box(TextBox::Size), "1.2 KB (boot file)");
  EXPECT_EQ(app.window.Box(TextBox::Disc),
            "A CDI image (boot file 1ST_READ.BIN): will not boot: 1ST_READ.BIN is unscrambled; a CD-R boots only a "
            "scrambled one.");
  EXPECT_EQ(app.window.messages,
            (std::vector<Message>{
                {"This disc will not boot:\r\n\r\n1ST_READ.BIN is unscrambled; a CD-R boots only a scrambled one.",
                 message_kind::kWarning, "Quillet"}}));
}

// A disc that will not boot and that quillet fix mends: the box ends with the question, a warning;
// Yes writes the copy and says where, No changes nothing. An earlier copy is replaced only after a
// second question.
TEST_F(BrowseTest, ADiscThatWillNotBootOffersAFixedCopy) {
  const std::string problems =
      "This disc will not boot:\r\n\r\n1ST_READ.BIN is unscrambled; a CD-R boots only a scrambled one.";
  struct Row {
    Answer answer;
    bool earlier = false;         // an earlier copy stands where the copy goes
    Answer replace = Answer::Ok;  // the answer to "Replace it?"
  };
  for (const Row& row : std::vector<Row>{
           {Answer::Yes}, {Answer::No}, {Answer::Yes, true, Answer::Yes}, {Answer::Yes, true, Answer::No}}) {
    const Answer answer = row.answer == Answer::Yes && row.earlier ? row.replace : row.answer;
    Fakes fake;
    if (row.earlier) fake.system.files[R"(C:\games\dk_fixed.cdi)"] = "an earlier copy";
    fake.system.files[R"(C:\games\dk.cdi)"] = "an image";
    DiscBootFile& disc = fake.system.discs[R"(C:\games\dk.cdi)"];
    disc.boot.header.boot_file = "1ST_READ.BIN";
    disc.boot.header.boot_code = StockBootCodes().front();
    disc.boot.header.area_symbols = "JUE";
    disc.boot.header.area_texts = {"For JAPAN,TAIWAN,PHILIPINES.", "For USA and CANADA.", "For EUROPE."};
    disc.boot.bytes.assign(reinterpret_cast<const std::byte*>(kUnscrambled.data()),
                           reinterpret_cast<const std::byte*>(kUnscrambled.data()) + kUnscrambled.size());
    fake.system.fixable[R"(C:\games\dk.cdi)"] = "dk_fixed.cdi";
    fake.window.message_answers = {row.answer, row.replace};
    fake.Form().Form_OLEDragDrop({R"(C:\games\dk.cdi)"});
    std::vector<Message> expected{
        {problems + "\r\n\r\nWrite a fixed copy, dk_fixed.cdi, beside it?", message_kind::kYesNoWarning, "Quillet"}};
    if (row.answer == Answer::Yes && row.earlier) {
      expected.push_back({"dk_fixed.cdi exists. Replace it?", message_kind::kYesNoWarning, "Quillet"});
    }
    if (answer == Answer::Yes) {
      expected.push_back(
          {"A fixed copy has been written:\r\nC:\\games\\dk_fixed.cdi", message_kind::kInformation, "Success"});
    }
    EXPECT_EQ(fake.window.messages, expected);
    EXPECT_EQ(fake.system.disc_opens, 1) << "the image is opened once, for the question and the copy both";
    EXPECT_EQ(fake.system.files.contains(R"(C:\games\dk_fixed.cdi)"), answer == Answer::Yes || row.earlier);
    if (row.earlier) {
      EXPECT_EQ(fake.system.files[R"(C:\games\dk_fixed.cdi)"] == "an earlier copy", answer != Answer::Yes);
    }
  }
}

TEST_F(BrowseTest, CancelChangesNothing) {
  Browse();
  EXPECT_EQ(app.window.dialogs.size(), 1u);
  EXPECT_EQ(app.window.dialogs[0].title, "Open");
  EXPECT_EQ(
      app.window.dialogs[0].filters,
      (std::vector<FileFilter>{{"Files Quillet reads (*.bin; *.elf; *.cdi; *.iso; *.gdi; *.cue; *.chd)",
                                "*.bin;*.elf;*.cdi;*.iso;*.gdi;*.cue;*.chd"},
                               {"Dreamcast binaries (*.bin; *.elf)", "*.bin;*.elf"},
                               {"Disc images (*.cdi; *.iso; *.gdi; *.cue; *.chd)", "*.cdi;*.iso;*.gdi;*.cue;*.chd"},
                               {"All files (*.*)", "*"}}));
  EXPECT_TRUE(app.window.messages.empty());
  EXPECT_EQ(Box(TextBox::FileName), kInitial);
}

TEST_F(BrowseTest, ScansTheChosenFileByItsFullPath) {
  app.system.files[R"(C:\games\1ST_READ.BIN)"] = kScrambled;
  Choose(R"(C:\games\1ST_READ.BIN)", "1ST_READ.BIN");
  Browse();
  EXPECT_EQ(app.system.reads, std::vector<std::string>{R"(C:\games\1ST_READ.BIN)"});
  EXPECT_EQ(Box(TextBox::FileName), R"(C:\games\1ST_READ.BIN)");
  EXPECT_EQ(Box(TextBox::Type), "SCRAMBLED");
  EXPECT_EQ(Box(TextBox::Size), "1,205.6 KB");
}

TEST_F(BrowseTest, IpBinIsRefusedAndTheDialogComesBack) {
  for (const char* title : {"IP.BIN", "ip.bin", "Ip.Bin"}) {
    Fakes fake;
    fake.window.chosen_files = {ChosenFile{std::string("C:\\disc\\") + title, title}, std::nullopt};
    fake.Form().Command1_Click();
    EXPECT_EQ(fake.window.messages, std::vector<Message>{kIpBinRefusal}) << title;
    EXPECT_EQ(fake.window.dialogs.size(), 2u);
    EXPECT_EQ(fake.window.Box(TextBox::FileName), kInitial);
  }
  // By its content: the same box, the dialog again, and nothing in the window changed.
  Fakes fake;
  fake.system.files[R"(C:\disc\boot.bin)"] = kBootSector;
  fake.window.chosen_files = {ChosenFile{R"(C:\disc\boot.bin)", "boot.bin"}, std::nullopt};
  fake.Form().Command1_Click();
  EXPECT_EQ(fake.window.messages, std::vector<Message>{kIpBinRefusal});
  EXPECT_EQ(fake.window.dialogs.size(), 2u);
  EXPECT_EQ(fake.window.Box(TextBox::FileName), kInitial);
  EXPECT_EQ(fake.window.Box(TextBox::Type), kInitial);
  app.system.files[R"(C:\disc\myip.bin)"] = kUnscrambled;
  Choose(R"(C:\disc\myip.bin)", "myip.bin");
  Browse();
  EXPECT_EQ(Box(TextBox::Type), "UNSCRAMBLED");
}

TEST_F(BrowseTest, ElfFilesGetTheNoticeAndTheirSizeWithoutAScan) {
  for (const char* title : {"game.elf", "GAME.ELF", "myself"}) {
    Fakes fake;
    const std::string path = std::string("C:\\dev\\") + title;
    fake.system.files[path] = std::string(1536, 'x') + Pattern('A');
    fake.window.chosen_files = {ChosenFile{path, title}};
    fake.Form().Command1_Click();
    EXPECT_EQ(fake.window.Box(TextBox::Type), "ELF binary, please convert.") << title;
    EXPECT_EQ(fake.window.Box(TextBox::Size), "1.5 KB") << title;
    EXPECT_TRUE(fake.system.reads.empty()) << title;
  }
}

TEST_F(BrowseTest, MOrNAloneIsUnscrambledAsAtStartup) {
  app.system.files[R"(C:\games\m.bin)"] = Noise(500) + Pattern('M');
  Choose(R"(C:\games\m.bin)", "m.bin");
  Browse();
  EXPECT_EQ(Box(TextBox::Type), "UNSCRAMBLED");
}

TEST_F(BrowseTest, AFailedReadIsReportedAndForgetsThePreviousVerdict) {
  app.system.files[R"(C:\games\1ST_READ.BIN)"] = kUnscrambled;
  Choose(R"(C:\games\1ST_READ.BIN)", "1ST_READ.BIN");
  Choose(R"(C:\games\gone.bin)", "gone.bin");
  Browse();
  Browse();
  EXPECT_EQ(Box(TextBox::FileName), R"(C:\games\gone.bin)");
  EXPECT_EQ(Box(TextBox::Type), kInitial);
  EXPECT_EQ(Box(TextBox::Size), kInitial);
  EXPECT_EQ(app.window.messages, std::vector<Message>{ErrorReport(53, "File not found")});
  // Convert now knows nothing was scanned.
  form.Command3_Click();
  EXPECT_EQ(app.window.messages.back(),
            (Message{"Please load a bin before trying to convert!", message_kind::kCritical, "Halt!"}));
  EXPECT_TRUE(app.system.tool_runs.empty());
}

// --- Convert ----------------------------------------------------------------------------------------

class ConvertTest : public MainFormTest {
 protected:
  void Scanned(const std::string& path, const std::string& verdict) {
    app.system.files[path] = "a binary";  // Convert reads it again: a disc image's boot file is converted
    app.window.Box(TextBox::FileName) = path;
    app.window.Box(TextBox::Type) = verdict;
    app.window.Box(TextBox::Size) = "1. KB";
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
            {unscrambled_message + "1ST_READ_unscrambled.bin is the file name!", message_kind::kInformation,
             "Completed..."}},
           {R"(C:\games\1ST_READ.BIN)",
            "UNSCRAMBLED",
            R"(tools/dcscram.exe "C:\games\1ST_READ.BIN" "C:\games\1ST_READ_scrambled.bin")",
            {scrambled_message + "1ST_READ_scrambled.bin is the file name!", message_kind::kInformation,
             "Completed..."}},
           {R"(C:\games\1ST_READ.BIN)",
            "Unscrambled",
            R"(tools/dcscram.exe "C:\games\1ST_READ.BIN" "C:\games\1ST_READ_scrambled.bin")",
            {scrambled_message + "1ST_READ_scrambled.bin is the file name!", message_kind::kInformation,
             "Completed..."}},
           {R"(C:\games\1ST_READ.BIN)",
            "something typed",
            R"(tools/dcscram.exe -d "C:\games\1ST_READ.BIN" "C:\games\1ST_READ_unscrambled.bin")",
            {unscrambled_message + "1ST_READ_unscrambled.bin is the file name!", message_kind::kInformation,
             "Completed..."}},
           {R"(C:\my games\disc.one.bin)",
            "SCRAMBLED",
            R"(tools/dcscram.exe -d "C:\my games\disc.one.bin" "C:\my games\disc_unscrambled.bin")",
            {unscrambled_message + "disc_unscrambled.bin is the file name!", message_kind::kInformation,
             "Completed..."}},
           {"1ST_READ.BIN",
            "SCRAMBLED",
            R"(tools/dcscram.exe -d "1ST_READ.BIN" "1ST_READ_unscrambled.bin")",
            {unscrambled_message + "1ST_READ_unscrambled.bin is the file name!", message_kind::kInformation,
             "Completed..."}},
           {R"(C:\dev\sub/game.bin)",
            "SCRAMBLED",
            R"(tools/dcscram.exe -d "C:\dev\sub/game.bin" "C:\dev\sub\game_unscrambled.bin")",
            {unscrambled_message + "game_unscrambled.bin is the file name!", message_kind::kInformation,
             "Completed..."}},
       }) {
    Fakes fake;
    fake.system.files[row.path] = "a binary";
    fake.window.Box(TextBox::FileName) = row.path;
    fake.window.Box(TextBox::Type) = row.verdict;
    fake.Form().Command3_Click();
    ASSERT_EQ(fake.system.tool_runs.size(), 1u) << row.path;
    EXPECT_EQ(fake.system.tool_runs[0].program, kTools + "dcscram.exe");
    const std::string result = row.command_line.substr(row.command_line.rfind(" \"") + 2,
                                                       row.command_line.size() - row.command_line.rfind(" \"") - 3);
    EXPECT_EQ(CommandLineFor(fake.system.tool_runs[0], result), row.command_line);
    EXPECT_TRUE(fake.system.files.contains(result)) << result;
    EXPECT_EQ(fake.window.messages, std::vector<Message>{row.message}) << row.command_line;
    EXPECT_EQ(fake.window.Box(TextBox::FileName), row.path) << "Convert changes no box";
    EXPECT_EQ(fake.window.Box(TextBox::Type), row.verdict);
  }
}

TEST_F(ConvertTest, BeforeAnyScanItSaysSo) {
  form.Command3_Click();
  EXPECT_EQ(app.window.messages,
            (std::vector<Message>{{"Please load a bin before trying to convert!", message_kind::kCritical, "Halt!"}}));
  EXPECT_TRUE(app.system.tool_runs.empty());
}

// A path typed over the one whose verdict is shown is judged first, as Browse would, and converted
// by its own verdict; one that cannot be judged is not converted at all.
TEST_F(ConvertTest, ATypedPathIsJudgedBeforeItIsConverted) {
  struct Row {
    std::string typed;
    std::string command_line;  // empty: no tool runs
    std::string verdict;       // shown after Convert
  };
  for (const Row& row : std::vector<Row>{
           {R"(C:\games\b.bin)", R"(tools/dcscram.exe "C:\games\b.bin" "C:\games\b_scrambled.bin")", "UNSCRAMBLED"},
           {R"(C:\games\missing.bin)", "", "Please select a bin to scan..."},
       }) {
    Fakes fake;
    fake.system.files[R"(C:\games\a.bin)"] = kScrambled;
    fake.system.files[R"(C:\games\b.bin)"] = kUnscrambled;
    MainForm typed_in = fake.Form();
    typed_in.Form_OLEDragDrop({R"(C:\games\a.bin)"});
    ASSERT_EQ(fake.window.Box(TextBox::Type), "SCRAMBLED");
    fake.window.Box(TextBox::FileName) = row.typed;
    typed_in.Command3_Click();
    ASSERT_EQ(fake.system.tool_runs.size(), row.command_line.empty() ? 0u : 1u) << row.typed;
    if (!row.command_line.empty()) {
      EXPECT_EQ(CommandLineFor(fake.system.tool_runs[0], R"(C:\games\b_scrambled.bin)"), row.command_line);
    }
    EXPECT_EQ(fake.window.Box(TextBox::Type), row.verdict);
  }
}

TEST_F(ConvertTest, ElfAnswers) {
  Scanned(R"(C:\dev\game.final.elf)", "ELF binary, please convert.");
  app.window.question_answers = {Answer::Cancel, Answer::None, Answer::No, Answer::Yes};
  form.Command3_Click();
  form.Command3_Click();
  EXPECT_TRUE(app.system.tool_runs.empty()) << "Cancel and a question that never came run nothing";
  EXPECT_TRUE(app.window.messages.empty());

  form.Command3_Click();
  ASSERT_EQ(app.system.tool_runs.size(), 1u);
  EXPECT_EQ(CommandLineFor(app.system.tool_runs[0], R"(C:\dev\game_unscrambled.bin)"),
            R"(tools/sh-elf-objcopy.exe -O binary "C:\dev\game.final.elf" "C:\dev\game_unscrambled.bin")");
  EXPECT_EQ(app.window.messages.back(), (Message{"Done! game.final.elf has been converted to game_unscrambled.bin.",
                                                 message_kind::kInformation, "Success"}));

  form.Command3_Click();
  ASSERT_EQ(app.system.tool_runs.size(), 3u);
  const std::string intermediate = app.system.tool_runs[1].arguments.back();
  EXPECT_NE(intermediate, R"(C:\dev\game.final.bin)");
  EXPECT_EQ(app.system.tool_runs[2].arguments.front(), intermediate);
  CommandLineFor(app.system.tool_runs[2], R"(C:\dev\game_scrambled.bin)");
  std::erase_if(app.system.deletions, [](const std::string& path) { return path.ends_with(".tmp"); });  // probes
  EXPECT_EQ(app.system.deletions, std::vector<std::string>{intermediate});
  EXPECT_EQ(app.window.messages.back(), (Message{"Done! game.final.elf has been converted to game_scrambled.bin.",
                                                 message_kind::kInformation, "Success"}));
}

// A result that would be a track file of the image: refused with the file-access prefix, the path
// said once.
TEST_F(ConvertTest, AResultThatIsATrackFileIsRefused) {
  const std::string image = R"(C:\games\disc.gdi)", track = R"(C:\games\disc_unscrambled.bin)";
  app.system.files[image] = "a table";
  app.system.track_files[image] = {track};
  DiscBootFile& disc = app.system.discs[image];
  disc.boot.header.boot_file = "1ST_READ.BIN";
  disc.boot.bytes.assign(reinterpret_cast<const std::byte*>(kScrambled.data()),
                         reinterpret_cast<const std::byte*>(kScrambled.data()) + kScrambled.size());
  form.Form_OLEDragDrop({image});
  app.window.messages.clear();
  form.Command3_Click();
  EXPECT_EQ(app.window.messages, std::vector<Message>{ErrorReport(
                                     75, "Path/File access error: its result " + track + " is a track file of " +
                                             image + ", which Quillet never writes; nothing written")});
  EXPECT_TRUE(app.system.tool_runs.empty());
}

// A failed tool is no success, and its own reason is shown, as the command line shows it.
TEST_F(ConvertTest, AFailedToolIsNoSuccess) {
  for (const auto& [errors, message] : std::vector<std::pair<std::string, std::string>>{
           {"", "Could not write C:\\games\\1ST_READ_unscrambled.bin: dcscram.exe failed with exit code 2."},
           {"dcscram: cannot read 'C:\\games\\1ST_READ.BIN': Permission denied\r\n",
            "Could not write C:\\games\\1ST_READ_unscrambled.bin: dcscram.exe failed with exit code 2: cannot read "
            "'C:\\games\\1ST_READ.BIN': Permission denied."},
           // The tool's own fresh name is never shown: the result is named in its place.
           {"dcscram: cannot write '{fresh}': Disk full\r\n",
            "Could not write C:\\games\\1ST_READ_unscrambled.bin: dcscram.exe failed with exit code 2: cannot write "
            "'C:\\games\\1ST_READ_unscrambled.bin': Disk full."}}) {
    Fakes fake;
    fake.system.files[R"(C:\games\1ST_READ.BIN)"] = "a binary";
    fake.window.Box(TextBox::FileName) = R"(C:\games\1ST_READ.BIN)";
    fake.window.Box(TextBox::Type) = "SCRAMBLED";
    fake.system.run_tool = [errors = errors](const ToolRun& run) {
      std::string said = errors;
      if (const std::size_t at = said.find("{fresh}"); at != std::string::npos) {
        said.replace(at, 7, run.arguments.back());
      }
      return ToolOutcome{true, 2, "", said};
    };
    fake.Form().Command3_Click();
    EXPECT_EQ(fake.window.messages, std::vector<Message>{ErrorReport(75, message)});
  }
}

TEST_F(ConvertTest, ElfResultsLandInTheFolderOfAPathWithMixedSeparators) {
  Scanned(R"(C:\dev\sub/game.elf)", "ELF binary, please convert.");
  app.window.question_answers = {Answer::Yes};
  form.Command3_Click();
  ASSERT_EQ(app.system.tool_runs.size(), 2u);
  EXPECT_TRUE(app.system.tool_runs[0].arguments.back().starts_with(R"(C:\dev\sub\.game.)"));
  CommandLineFor(app.system.tool_runs[1], R"(C:\dev\sub\game_scrambled.bin)");
  EXPECT_TRUE(app.system.files.contains(R"(C:\dev\sub\game_scrambled.bin)"));
}

TEST_F(ConvertTest, ARepeatConversionIsToldByTheFileNotByItsStamp) {
  // Where a drive counts time in two-second steps, a repeat conversion's result has the stamp of
  // the one before: only a file under a fresh name tells that the tool wrote.
  Scanned(R"(C:\games\1ST_READ.BIN)", "SCRAMBLED");
  app.window.message_answers = {Answer::Ok, Answer::Yes};  // the second asks before it replaces the first
  for (int repeat = 0; repeat < 2; ++repeat) form.Command3_Click();
  ASSERT_EQ(app.window.messages.size(), 3u);
  EXPECT_EQ(app.window.messages[1].text, "1ST_READ_unscrambled.bin exists. Replace it?");
  EXPECT_EQ(app.window.messages.back().title, "Completed...");
  EXPECT_EQ(app.system.files.count(R"(C:\games\1ST_READ_unscrambled.bin)"), 1u);
  EXPECT_EQ(app.system.files.size(), 2u) << "nothing but the binary and the result: no fresh name left";
}

TEST_F(ConvertTest, AnEarlierResultIsNoProofTheToolWroteOne) {
  Scanned(R"(C:\games\1ST_READ.BIN)", "SCRAMBLED");
  app.system.files[R"(C:\games\1ST_READ_unscrambled.bin)"] = "yesterday's result";
  app.system.run_tool = [](const ToolRun&) { return ToolOutcome{true, 0, "", ""}; };  // and writes nothing
  app.window.message_answers = {Answer::Yes};
  form.Command3_Click();
  ASSERT_EQ(app.window.messages.size(), 2u);
  EXPECT_EQ(app.window.messages.back(),
            ErrorReport(75, R"(Could not write C:\games\1ST_READ_unscrambled.bin: dcscram.exe wrote no file )"
                            R"(C:\games\1ST_READ_unscrambled.bin.)"));
  EXPECT_EQ(app.system.files[R"(C:\games\1ST_READ_unscrambled.bin)"], "yesterday's result");
  EXPECT_EQ(app.system.files.size(), 2u);
}

TEST_F(ConvertTest, AnEarlierResultIsReplacedOnlyWhenThePersonSaysSo) {
  Scanned(R"(C:\games\1ST_READ.BIN)", "SCRAMBLED");
  app.system.files[R"(C:\games\1ST_READ_unscrambled.bin)"] = "another program";
  app.window.message_answers = {Answer::No};
  form.Command3_Click();
  EXPECT_EQ(
      app.window.messages,
      (std::vector<Message>{{"1ST_READ_unscrambled.bin exists. Replace it?", message_kind::kYesNoWarning, "Quillet"}}));
  EXPECT_TRUE(app.system.tool_runs.empty());
  EXPECT_EQ(app.system.files[R"(C:\games\1ST_READ_unscrambled.bin)"], "another program");
}

// A file that is no program, or whose form cannot be told, is never called SCRAMBLED: Convert asks
// first, and says what it did without calling it a completed conversion. A folder that takes no new
// file is told before any tool runs, naming the result.
TEST_F(ConvertTest, WhatThePersonIsToldOfAFileThatIsNoProgram) {
  const auto asked = [](Form judged, const std::string& title, const std::string& result) {
    return Message{UnprovenQuestionText(judged, title, Form::Unscrambled, result), message_kind::kYesNoWarning,
                   "Quillet"};
  };
  struct Row {
    std::string path, bytes, verdict;
    Message said;  // declined, where it is a question: nothing is written
  };
  for (const Row& row : std::vector<Row>{
           {R"(C:\docs\readme.txt)", Repeated("The quick brown fox jumps over the lazy dog.\n", 70), "NOT A PROGRAM",
            asked(Form::NotAProgram, "readme.txt", "readme_unscrambled.bin")},
           {R"(C:\docs\empty.bin)", "", "UNDECIDED", asked(Form::Undecided, "empty.bin", "empty_unscrambled.bin")},
           {R"(C:\locked\game.bin)", kScrambled, "SCRAMBLED",
            ErrorReport(70, R"(Could not write C:\locked\game_unscrambled.bin: permission denied.)")},
       }) {
    Fakes fake;
    fake.system.read_only_folders = {R"(C:\locked)"};
    fake.system.files[row.path] = row.bytes;
    fake.window.chosen_files = {ChosenFile{row.path, std::string(FileTitle(row.path, PathStyle::Windows))}};
    fake.Form().Command1_Click();
    EXPECT_EQ(fake.window.Box(TextBox::Type), row.verdict);
    EXPECT_EQ(fake.window.Box(TextBox::Disc), "Not a disc image");
    fake.window.message_answers = {Answer::No};
    fake.Form().Command3_Click();
    EXPECT_EQ(fake.window.messages, std::vector<Message>{row.said});
    EXPECT_TRUE(fake.system.tool_runs.empty());
    EXPECT_EQ(fake.system.files.size(), 1u) << "no result, no probe, no intermediate left";
  }
}

TEST_F(ConvertTest, PathEndingInASeparatorIsError9) {
  Scanned(R"(C:\games\)", "SCRAMBLED");
  form.Command3_Click();
  EXPECT_EQ(app.window.messages, std::vector<Message>{ErrorReport(9, "Subscript out of range")});
  EXPECT_TRUE(app.system.tool_runs.empty());
}

TEST_F(BrowseTest, ADroppedFileIsScannedAsIfBrowseHadPickedIt) {
  struct Row {
    std::vector<std::string> dropped;
    std::string verdict;  // in the type box afterwards
    std::vector<Message> messages;
  };
  for (const Row& row : std::vector<Row>{
           {{R"(C:\games\1ST_READ.BIN)", R"(C:\games\game.elf)"}, "UNSCRAMBLED", {}},
           {{R"(C:\games\game.elf)"}, "ELF binary, please convert.", {}},
           {{R"(C:\games\IP.BIN)"}, kInitial, {kIpBinRefusal}},
           {{R"(C:\games\boot.bin)"}, kInitial, {kIpBinRefusal}},
           {{}, kInitial, {}},
       }) {
    Fakes fake;
    fake.system.files[R"(C:\games\1ST_READ.BIN)"] = kUnscrambled;
    fake.system.files[R"(C:\games\game.elf)"] = "elf";
    fake.system.files[R"(C:\games\IP.BIN)"] = kUnscrambled;
    fake.system.files[R"(C:\games\boot.bin)"] = kBootSector;
    fake.Form().Form_OLEDragDrop(row.dropped);
    EXPECT_EQ(fake.window.Box(TextBox::Type), row.verdict);
    EXPECT_EQ(fake.window.messages, row.messages);
    EXPECT_TRUE(fake.window.dialogs.empty()) << "a drop opens no dialog, not even after an IP.BIN";
  }
}

// --- Closing, menus ---------------------------------------------------------------------------------

TEST_F(MainFormTest, UnloadStoresThePlacementUnlessMinimised) {
  struct Row {
    WindowState state;
    std::vector<FakeSystem::Entry> settings;
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
    Fakes fake;
    fake.window.placement = {row.state, 3600, -150, 4800, 3300.5f};
    fake.Form().Form_Unload();
    EXPECT_EQ(fake.system.settings, row.settings);
  }
}

TEST_F(MainFormTest, UnloadIgnoresAStoreThatRefuses) {
  app.system.settings_fail = true;
  EXPECT_NO_THROW(form.Form_Unload());
  EXPECT_TRUE(app.window.messages.empty());
}

TEST_F(MainFormTest, ExitClosesTheWindowAsTheCloseButtonDoes) {
  form.mnuFileExit_Click();
  EXPECT_TRUE(app.window.close_requested);
}

TEST_F(MainFormTest, AboutShowsFifteenLines) {
  form.mnuHelpAbout_Click();
  ASSERT_EQ(app.window.messages.size(), 1u);
  EXPECT_EQ(app.window.messages[0].kind, message_kind::kInformation);
  EXPECT_EQ(app.window.messages[0].title, "About...");
  EXPECT_EQ(app.window.messages[0].text,
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
  const Message question{ShellQuestionText(), message_kind::kYesNo, "Continue?"};
  const std::string command = R"("C:\dc tools\vardelm.exe" %1)";
  struct Row {
    Answer answer;
    std::vector<std::string> failing;
    std::vector<FakeSystem::Entry> written;
    std::vector<Message> messages;
  };
  for (const Row& row : std::vector<Row>{
           {Answer::No, {}, {}, {question}},
           {Answer::Yes,
            {},
            {{".bin", "Scan Dreamcast binary", command},
             {".elf", "Convert to Dreamcast binary", command},
             {".cdi", "Scan Dreamcast binary", command},
             {".gdi", "Scan Dreamcast binary", command},
             {".cue", "Scan Dreamcast binary", command},
             {".chd", "Scan Dreamcast binary", command}},
            {question, {"Quillet is now integrated into right-click menus.", message_kind::kInformation, "Success"}}},
           {Answer::Yes,
            {".elf"},
            {{".bin", "Scan Dreamcast binary", command},
             {".cdi", "Scan Dreamcast binary", command},
             {".gdi", "Scan Dreamcast binary", command},
             {".cue", "Scan Dreamcast binary", command},
             {".chd", "Scan Dreamcast binary", command}},
            {question,
             {"Quillet could not be integrated into right-click menus.\r\nConvert to Dreamcast binary (.elf): "
              "Permission denied",
              message_kind::kCritical, ""}}},
       }) {
    Fakes fake;
    fake.system.executable_folder = R"(C:\dc tools)";
    fake.window.message_answers = {row.answer};
    fake.system.failing_shell_extensions = row.failing;
    fake.Form().mnuOptionsShell_Click();
    EXPECT_EQ(fake.system.shell_verbs, row.written);
    EXPECT_EQ(fake.window.messages, row.messages);
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
