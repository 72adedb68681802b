#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <vector>

#include "support/temp_folder.h"
#include "sys/replacement_file.h"
#include "util/run_time_error.h"

namespace quillet {
namespace {

namespace fs = std::filesystem;
using testing::ReadFile;
using testing::TempFolder;

void Replace(const std::string& target, std::string_view text) {
  ReplacementFile file(target);
  file.Write({reinterpret_cast<const std::byte*>(text.data()), text.size()});
  file.Commit();
}

TEST(PosixReplacementFileTest, WritesThroughLinksLiveOrDangling) {
  struct Row {
    const char* name;
    bool target_exists;
  };
  for (const Row& row : std::vector<Row>{{"live", true}, {"dangling", false}}) {
    TempFolder folder;
    fs::create_directory(folder.path() / "real");
    if (row.target_exists) folder.Write("real/out.bin", "earlier");
    fs::create_symlink("real/out.bin", folder.path() / "link.bin");
    fs::create_symlink("link.bin", folder.path() / "link-to-link.bin");
    Replace(folder.PathOf("link-to-link.bin"), "new");
    EXPECT_TRUE(fs::is_symlink(folder.path() / "link-to-link.bin")) << row.name;
    EXPECT_TRUE(fs::is_symlink(folder.path() / "link.bin")) << row.name;
    EXPECT_EQ(ReadFile(folder.PathOf("real/out.bin")), "new") << row.name;
    EXPECT_EQ(std::distance(fs::directory_iterator(folder.path() / "real"), {}), 1) << row.name << ": nothing left";
  }
}

TEST(PosixReplacementFileTest, KeepsTheReplacedFilesModeWrittenOrMovedOver) {
  TempFolder folder;
  for (const bool moved : {false, true}) {
    for (mode_t mode : {mode_t{0600}, mode_t{0640}, mode_t{0755}}) {
      const std::string target = folder.Write("out.bin", "earlier");
      ASSERT_EQ(::chmod(target.c_str(), mode), 0);
      if (moved) {
        MoveOver(folder.Write(".out.bin.fresh.tmp", "new"), target);
      } else {
        Replace(target, "new");
      }
      struct stat status;
      ASSERT_EQ(::stat(target.c_str(), &status), 0);
      EXPECT_EQ(status.st_mode & 07777, mode);
      EXPECT_EQ(ReadFile(target), "new");
      EXPECT_EQ(std::distance(fs::directory_iterator(folder.path()), {}), 1);
    }
  }
  // A write-protected file is not moved over, and a new name simply takes the file.
  const std::string protected_target = folder.Write("out.bin", "earlier");
  ASSERT_EQ(::chmod(protected_target.c_str(), 0444), 0);
  const std::string fresh = folder.Write(".fresh.tmp", "new");
  if (::geteuid() != 0) {
    EXPECT_THROW(MoveOver(fresh, protected_target), RunTimeError);
  }
  MoveOver(fresh, folder.PathOf("new.bin"));
  EXPECT_EQ(ReadFile(folder.PathOf("new.bin")), "new");
}

}  // namespace
}  // namespace quillet
