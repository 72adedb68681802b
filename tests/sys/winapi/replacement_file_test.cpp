#include <windows.h>

#include <gtest/gtest.h>

#include "support/temp_folder.h"
#include "sys/replacement_file.h"
#include "sys/winapi/utf16.h"

namespace quillet {
namespace {

TEST(Win32ReplacementFileTest, KeepsTheReplacedFilesAttributes) {
  testing::TempFolder folder;
  const std::string target = folder.Write("out.bin", "earlier");
  ASSERT_TRUE(SetFileAttributesW(Widen(target).c_str(), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_ARCHIVE));
  ReplacementFile file(target);
  file.Write({reinterpret_cast<const std::byte*>("new"), 3});
  file.Commit();
  EXPECT_EQ(testing::ReadFile(target), "new");
  EXPECT_TRUE(GetFileAttributesW(Widen(target).c_str()) & FILE_ATTRIBUTE_HIDDEN);
}

}  // namespace
}  // namespace quillet
