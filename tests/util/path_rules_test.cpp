#include "util/path_rules.h"

#include <gtest/gtest.h>

#include <optional>
#include <vector>

#include "util/run_time_error.h"

namespace quillet {
namespace {

constexpr PathStyle kWin = PathStyle::Windows;
constexpr PathStyle kPosix = PathStyle::Posix;

TEST(PathSeparatorTest, BackslashAnywhereMeansBackslashOnlyInWindowsStyle) {
  struct Row {
    const char* path;
    PathStyle style;
    const char* separator;
  };
  for (const Row& row : std::vector<Row>{
           {R"(C:\games\1ST_READ.BIN)", kWin, "\\"},
           {"C:/games/game.elf", kWin, "/"},
           {R"(C:/games\game.elf)", kWin, "\\"},
           {"", kWin, "/"},
           {"game.elf", kWin, "/"},
           {R"(/home/me/odd\name.bin)", kPosix, "/"},
           {"", kPosix, "/"},
       }) {
    EXPECT_EQ(PathSeparator(row.path, row.style), row.separator) << row.path;
  }
}

// Expected text, or the run-time error number.
struct Outcome {
  std::optional<std::string> text;
  int error = 0;
};

template <typename Call>
Outcome Capture(Call call) {
  try {
    return {call(), 0};
  } catch (const RunTimeError& failure) {
    return {std::nullopt, failure.number()};
  }
}

void ExpectOutcome(const Outcome& actual, const Outcome& expected, const std::string& context) {
  EXPECT_EQ(actual.error, expected.error) << context;
  EXPECT_EQ(actual.text, expected.text) << context;
}

TEST(ParentPathTest, CutsAtTheLastSeparatorPlusOffset) {
  struct Row {
    const char* path;
    const char* separator;
    std::int16_t offset;
    Outcome expected;
  };
  for (const Row& row : std::vector<Row>{
           {R"(C:\games\1ST_READ.BIN)", "\\", -1, {"C:\\games"}},
           {R"(C:\game.elf)", "\\", -1, {"C:"}},
           {R"(\game.elf)", "\\", -1, {""}},
           {"C:/games/game.elf", "/", -1, {"C:/games"}},
           {"game.elf", "/", -1, {std::nullopt, 5}},
           {"", "\\", -1, {std::nullopt, 5}},
           {R"(C:/dev\x/game.elf)", "\\", -1, {"C:/dev"}},
           // Offsets other than -1: 0 keeps the separator, beyond the end gives the whole path.
           {R"(C:\games\a.bin)", "\\", 0, {"C:\\games\\"}},
           {R"(C:\games\a.bin)", "\\", 100, {"C:\\games\\a.bin"}},
           {"game.elf", "/", 0, {""}},
           {"game.elf", "/", 3, {"gam"}},
           // The search ignores case: with a letter as separator both cases count.
           {"abXcdxef", "x", -1, {"abXcd"}},
           {"abXcdef", "x", -1, {"ab"}},
           {"abxcdef", "X", -1, {"ab"}},
           // Positions count characters, not bytes of UTF-8.
           {"é/x", "/", -1, {"é"}},
           {"é/x", "/", 0, {"é/"}},
           {"éé/x", "/", -2, {"é"}},
           {R"(C:\Jeux\Ça va\1ST_READ.BIN)", "\\", -1, {"C:\\Jeux\\Ça va"}},
       }) {
    ExpectOutcome(Capture([&] { return ParentPath(row.path, row.separator, row.offset); }), row.expected,
                  std::string(row.path) + " | " + row.separator + " | " + std::to_string(row.offset));
  }
}

TEST(BaseNameTest, NameAfterTheLastSeparatorUpToItsFirstDot) {
  struct Row {
    const char* path;
    PathStyle style;
    Outcome expected;
  };
  for (const Row& row : std::vector<Row>{
           {R"(C:\games\1ST_READ.BIN)", kWin, {"1ST_READ"}},
           {R"(C:\games\game.final.elf)", kWin, {"game"}},
           {R"(C:\my.games\game)", kWin, {"game"}},
           {R"(C:\games\.bin)", kWin, {""}},
           {"game.elf", kWin, {"game"}},
           // Forward slashes separate in the Windows style too, alone or mixed.
           {"C:/games/game.elf", kWin, {"game"}},
           {"C:/dev/game.elf", kWin, {"game"}},
           {R"(C:\dev/sub\game.elf)", kWin, {"game"}},
           {R"(C:/dev\game.elf)", kWin, {"game"}},
           {R"(C:\games\)", kWin, {std::nullopt, 9}},
           {"C:/games/", kWin, {std::nullopt, 9}},
           {"", kWin, {std::nullopt, 9}},
           // In the POSIX style a backslash is part of the name.
           {"/home/me/game.elf", kPosix, {"game"}},
           {R"(/home/me/odd\name.elf)", kPosix, {"odd\\name"}},
           {R"(C:\games\1ST_READ.BIN)", kPosix, {"C:\\games\\1ST_READ"}},
           {"/home/me/", kPosix, {std::nullopt, 9}},
           {"", kPosix, {std::nullopt, 9}},
           {"/home/me/Ça.va.elf", kPosix, {"Ça"}},
       }) {
    ExpectOutcome(Capture([&] { return BaseName(row.path, row.style); }), row.expected, row.path);
  }
}

TEST(ContainingFolderTest, TextBeforeTheLastSeparatorOfEitherKindOnWindows) {
  struct Row {
    std::string path;
    PathStyle style;
    std::optional<std::string> folder;
  };
  for (const Row& row : std::vector<Row>{
           {R"(C:\dev\sub/game.bin)", kWin, R"(C:\dev\sub)"},
           {R"(C:/dev/sub\game.bin)", kWin, R"(C:/dev/sub)"},
           {R"(C:\game.bin)", kWin, "C:"},
           {"game.bin", kWin, std::nullopt},
           {R"(/dev/sub\game.bin)", kPosix, "/dev"},
           {"/game.bin", kPosix, ""},
           {R"(sub\game.bin)", kPosix, std::nullopt},
       }) {
    EXPECT_EQ(ContainingFolder(row.path, row.style), row.folder) << row.path;
  }
}

TEST(FileTitleTest, KeepsTheExtension) {
  EXPECT_EQ(FileTitle(R"(C:\games\IP.BIN)", kWin), "IP.BIN");
  EXPECT_EQ(FileTitle("C:/games/game.elf", kWin), "game.elf");
  EXPECT_EQ(FileTitle("game.elf", kWin), "game.elf");
  EXPECT_EQ(FileTitle(R"(/a/b\c.bin)", kPosix), "b\\c.bin");
  EXPECT_EQ(FileTitle("/a/", kPosix), "");
}

TEST(WindowsFileExistsTest, DriveRootsAreLookedUpInTheDriveList) {
  struct Row {
    const char* path;
    bool exists;
    bool asks_drives;
    bool asks_entries;
  };
  const std::string drives("C:\\\0D:\\\0\0", 9);
  for (const Row& row : std::vector<Row>{
           {"C:\\", true, true, false},
           {"c:\\", true, true, false},
           {"d:\\", true, true, false},
           {"E:\\", false, true, false},
           // The list's own colons, backslashes and NULs are no drive letters.
           {":\\", false, true, false},
           {"\\:\\", false, true, false},
           // Without the trailing backslash it is an ordinary path.
           {"C:", true, false, true},
           {R"(C:\games\1ST_READ.BIN)", true, false, true},
           {"", false, false, false},
       }) {
    bool asked_drives = false;
    std::optional<std::string> asked_entry;
    const bool exists = WindowsFileExists(
        row.path,
        [&] {
          asked_drives = true;
          return drives;
        },
        [&](std::string_view path) {
          asked_entry = std::string(path);
          return true;
        });
    EXPECT_EQ(exists, row.exists) << row.path;
    EXPECT_EQ(asked_drives, row.asks_drives) << row.path;
    EXPECT_EQ(asked_entry.has_value(), row.asks_entries) << row.path;
    if (asked_entry) {
      EXPECT_EQ(*asked_entry, row.path) << "the path is handed over unchanged";
    }
  }
}

TEST(WindowsFileExistsTest, MissingEntryAndEmptyDriveList) {
  const auto none = [](std::string_view) { return false; };
  EXPECT_FALSE(WindowsFileExists(R"(C:\nothing\here.bin)", [] { return std::string(); }, none));
  EXPECT_FALSE(WindowsFileExists(
      "C:\\", [] { return std::string(); }, none));
  EXPECT_TRUE(WindowsFileExists(
      "c:\\", [] { return std::string("C:\\", 3); }, none))
      << "an unterminated list";
  EXPECT_FALSE(WindowsFileExists(
      "D:\\", [] { return std::string("C:\\", 3); }, none));
}

}  // namespace
}  // namespace quillet
