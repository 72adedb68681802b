#include "sys/file_system.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <vector>

#include "support/temp_folder.h"
#include "util/run_time_error.h"

namespace quillet {
namespace {

using testing::TempFolder;

int ErrorNumber(const std::function<void()>& call) {
  try {
    call();
  } catch (const RunTimeError& failure) {
    EXPECT_STRNE(failure.description(), "") << "every error carries a description";
    return failure.number();
  }
  return 0;
}

TEST(FileSystemTest, ExistsForFilesAndFoldersOnly) {
  TempFolder folder;
  const std::string file = folder.Write("1ST_READ.BIN", "data");
  EXPECT_TRUE(FileExists(file));
  EXPECT_TRUE(FileExists(folder.PathOf(".")));
  EXPECT_FALSE(FileExists(folder.PathOf("missing.bin")));
  EXPECT_FALSE(FileExists(""));
  EXPECT_TRUE(FileExists(folder.Write("Ça va ünïcode.bin", "x")));
}

// Reading and mapping must give the same bytes and refuse the same paths.
const std::vector<std::pair<const char*, FileContents (*)(std::string_view)>> kReaders{
    {"read", &ReadWholeFile},
    {"map", &MapWholeFile},
};

std::string_view Text(const FileContents& contents) {
  return {reinterpret_cast<const char*>(contents.bytes().data()), contents.size()};
}

TEST(FileSystemTest, PlainFilesOnly) {
  TempFolder folder;
  std::filesystem::create_directory(folder.path() / "dcscram.exe");
  EXPECT_TRUE(IsPlainFile(folder.Write("sh-elf-objcopy.exe", "tool")));
  EXPECT_FALSE(IsPlainFile(folder.PathOf("dcscram.exe"))) << "a folder of the tool's name";
  EXPECT_FALSE(IsPlainFile(folder.PathOf("missing.exe")));
  EXPECT_FALSE(IsPlainFile(""));
}

TEST(FileSystemTest, ReadsEveryByteAndTheLength) {
  TempFolder folder;
  std::string bytes;
  for (int i = 0; i < 70000; ++i) bytes += static_cast<char>(i * 7 % 256);
  const std::string file = folder.Write("game.bin", bytes);
  const std::string empty = folder.Write("empty.bin", "");
  for (const auto& [name, reader] : kReaders) {
    EXPECT_EQ(Text(reader(file)), bytes) << name;
    EXPECT_EQ(reader(empty).size(), 0u) << name;
  }
  EXPECT_EQ(FileLength(file), 70000);
  EXPECT_EQ(FileLength(empty), 0);
}

TEST(FileSystemTest, ContentsOutliveTheirCopies) {
  TempFolder folder;
  const std::string file = folder.Write("game.bin", "0123456789");
  for (const auto& [name, reader] : kReaders) {
    FileContents kept;
    {
      const FileContents contents = reader(file);
      kept = contents;
    }
    EXPECT_EQ(Text(kept), "0123456789") << name;
  }
}

TEST(FileSystemTest, RefusesWhatIsNotAReadableFile) {
  TempFolder folder;
  const std::string file = folder.Write("game.bin", "data");
  struct Row {
    std::string path;
    int error;
  };
  for (const Row& row : std::vector<Row>{
           {folder.PathOf("missing.bin"), 53},
           {folder.PathOf("no folder") + "/game.bin", 0},  // 53 or 76: not found either way
           {folder.PathOf(""), 75},
           {"", 52},
       }) {
    const int read_error = ErrorNumber([&] { ReadWholeFile(row.path); });
    EXPECT_EQ(ErrorNumber([&] { MapWholeFile(row.path); }), read_error) << row.path;
    const int length_error = ErrorNumber([&] { FileLength(row.path); });
    if (row.error == 0) {
      EXPECT_TRUE(read_error == 53 || read_error == 76) << row.path << ": " << read_error;
      EXPECT_TRUE(length_error == 53 || length_error == 76) << row.path << ": " << length_error;
    } else {
      EXPECT_EQ(read_error, row.error) << row.path;
      EXPECT_EQ(length_error, row.error) << row.path;
    }
  }
}

TEST(FileSystemTest, UnicodeNamesReachTheFile) {
  TempFolder folder;
  const std::string file = folder.Write("日本語 ünïcode.bin", "abc");
  EXPECT_EQ(ReadWholeFile(file).size(), 3u);
  EXPECT_EQ(FileLength(file), 3);
}

TEST(FileSystemTest, ReadEndingBeforeTheLengthIsAFailureNotAShorterFile) {
  struct Row {
    const char* name;
    std::vector<std::size_t> reads;  // what each call delivers; the last repeats
    int error;
  };
  for (const Row& row : std::vector<Row>{
           {"one read", {10}, 0},
           {"short reads", {3, 3, 3, 1}, 0},
           {"the file ends early", {4, 0}, 57},
           {"the file is empty now", {0}, 57},
       }) {
    std::byte buffer[10];
    std::size_t call = 0;
    const int error = ErrorNumber([&] {
      ReadFully(buffer, [&](std::span<std::byte> rest) {
        const std::size_t got = row.reads[std::min(call++, row.reads.size() - 1)];
        EXPECT_LE(got, rest.size());
        return got;
      });
    });
    EXPECT_EQ(error, row.error) << row.name;
  }
}

}  // namespace
}  // namespace quillet
