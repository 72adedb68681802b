#include "sys/file_system.h"

#include <gtest/gtest.h>

#include "inspect/signatures.h"
#include "support/temp_folder.h"
#include "util/run_time_error.h"

namespace quillet {
namespace {

using testing::TempFolder;

TEST(ReadWholeFileTest, NulBytesAreOrdinaryBytes) {
  TempFolder folder;
  const std::string bytes("\0\0\r\n\x1A\xFF\0", 7);
  const FileContents image = ReadWholeFile(folder.Write("text.bin", bytes));
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(image.bytes().data()), image.size()), bytes);
}

TEST(ReadWholeFileTest, EmptyFileIsScrambled) {
  TempFolder folder;
  const FileContents image = ReadWholeFile(folder.Write("empty.bin", ""));
  EXPECT_EQ(image.size(), 0u);
  EXPECT_EQ(ScanSignatures(image.bytes(), BrowseSignatures()), ScrambleVerdict::Scrambled);
  EXPECT_EQ(ScanSignatures(image.bytes(), StartupSignatures()), ScrambleVerdict::Scrambled);
}

TEST(ReadWholeFileTest, MissingFileGivesNoImage) {
  TempFolder folder;
  try {
    ReadWholeFile(folder.PathOf("1ST_READ.BIN"));
    FAIL() << "a missing file was read";
  } catch (const RunTimeError& failure) {
    EXPECT_EQ(failure.number(), 53);
    EXPECT_STREQ(failure.description(), "File not found");
  }
}

}  // namespace
}  // namespace quillet
