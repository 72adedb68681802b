#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <filesystem>

#include "support/temp_folder.h"
#include "sys/file_system.h"
#include "util/run_time_error.h"

namespace quillet {
namespace {

using testing::TempFolder;

int ReadError(const std::string& path) {
  try {
    ReadWholeFile(path);
  } catch (const RunTimeError& failure) {
    return failure.number();
  }
  return 0;
}

TEST(PosixFileSystemTest, RootAndBackslashNames) {
  EXPECT_TRUE(FileExists("/"));
  EXPECT_EQ(NativePathStyle(), PathStyle::Posix);
  TempFolder folder;
  EXPECT_TRUE(FileExists(folder.Write(R"(odd\name.bin)", "x")));
  EXPECT_FALSE(FileExists(folder.PathOf("odd")));
}

TEST(PosixFileSystemTest, NamedPipeIsRefusedWithoutWaitingForAWriter) {
  TempFolder folder;
  const std::string pipe = folder.PathOf("pipe.bin");
  ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
  EXPECT_EQ(ReadError(pipe), 75);
}

TEST(PosixFileSystemTest, FileOverTwoGigabytesIsRefusedBeforeReading) {
  TempFolder folder;
  const std::string file = folder.Write("huge.bin", "");
  // Sparse: takes no disk space.
  std::filesystem::resize_file(file, std::uintmax_t{2'147'483'648});
  EXPECT_EQ(ReadError(file), 6);
  std::filesystem::resize_file(file, std::uintmax_t{2'147'483'647});
  EXPECT_EQ(FileLength(file), 2'147'483'647);
}

TEST(PosixFileSystemTest, MappedFileTruncatedMeanwhileIsReportedInsteadOfEndingTheProcess) {
  TempFolder folder;
  const std::string file = folder.Write("shrinking.bin", std::string(3 * 65536, 'x'));
  const FileContents mapped = MapWholeFile(file);
  const FileContents other = MapWholeFile(folder.Write("steady.bin", std::string(65536, 'y')));
  std::filesystem::resize_file(file, 10);
  std::size_t zeros = 0;
  for (std::byte b : mapped.bytes()) zeros += b == std::byte{0};  // SIGBUS, unless caught
  EXPECT_GE(zeros, 65536u) << "past the new end, the pages read as zeros";
  try {
    mapped.RequireWhole();
    ADD_FAILURE() << "the truncation went unnoticed";
  } catch (const RunTimeError& failure) {
    EXPECT_EQ(failure.number(), 57);
    EXPECT_STREQ(failure.description(),
                 "Device I/O error: the file could not be read (another program truncated it while it was being read)");
  }
  EXPECT_NO_THROW(other.RequireWhole()) << "only the truncated file's mapping is marked";
}

TEST(PosixFileSystemTest, PathWithNulIsABadName) {
  EXPECT_EQ(ReadError(std::string("a\0b", 3)), 52);
  EXPECT_FALSE(FileExists(std::string("/\0", 2)));
}

}  // namespace
}  // namespace quillet
