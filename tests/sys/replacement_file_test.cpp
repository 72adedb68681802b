#include "sys/replacement_file.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "support/temp_folder.h"
#include "sys/result_writer.h"
#include "util/run_time_error.h"

namespace quillet {
namespace {

using testing::ReadFile;
using testing::TempFolder;

std::span<const std::byte> Bytes(std::string_view text) {
  return {reinterpret_cast<const std::byte*>(text.data()), text.size()};
}

std::size_t EntriesIn(const TempFolder& folder) {
  return static_cast<std::size_t>(std::distance(std::filesystem::directory_iterator(folder.path()), {}));
}

TEST(ReplacementFileTest, WritesANewFileAndLeavesNothingElse) {
  TempFolder folder;
  const std::string target = folder.PathOf("out.bin");
  {
    ReplacementFile file(target);
    file.Write(Bytes("scrambled "));
    EXPECT_FALSE(std::filesystem::exists(folder.path() / "out.bin")) << "the target appears only when complete";
    file.Write(Bytes("bytes"));
    file.Commit();
  }
  EXPECT_EQ(ReadFile(target), "scrambled bytes");
  EXPECT_EQ(EntriesIn(folder), 1u);
}

TEST(ReplacementFileTest, ReplacesAnExistingFile) {
  TempFolder folder;
  const std::string target = folder.Write("out.bin", "old contents, longer than the new");
  ReplacementFile file(target);
  file.Write(Bytes("new"));
  file.Commit();
  EXPECT_EQ(ReadFile(target), "new");
  EXPECT_EQ(EntriesIn(folder), 1u);
}

TEST(ReplacementFileTest, WithoutCommitTheTargetIsUntouched) {
  TempFolder folder;
  const std::string target = folder.Write("out.bin", "precious");
  {
    ReplacementFile file(target);
    file.Write(Bytes("half of it"));
    // Unnamed while it is written where the system can (Linux), else under its hidden name.
    EXPECT_EQ(EntriesIn(folder), file.temporary_path().empty() ? 1u : 2u);
  }
  EXPECT_EQ(ReadFile(target), "precious");
  EXPECT_EQ(EntriesIn(folder), 1u);
}

TEST(ReplacementFileTest, RefusesFoldersAndMissingFolders) {
  TempFolder folder;
  std::filesystem::create_directory(folder.path() / "sub");
  struct Row {
    std::string target;
    std::vector<int> errors;
  };
  for (const Row& row : std::vector<Row>{
           {folder.PathOf("sub"), {75}},
           {folder.PathOf("missing/out.bin"), {53, 76}},
           {"", {52}},
       }) {
    int number = 0;
    try {
      ReplacementFile file(row.target);
    } catch (const RunTimeError& failure) {
      number = failure.number();
    }
    EXPECT_NE(std::find(row.errors.begin(), row.errors.end(), number), row.errors.end())
        << row.target << ": " << number;
  }
}

TEST(ReplacementFileTest, TemporaryNameIsHiddenBesideTheTarget) {
  EXPECT_EQ(TemporaryNameFor("dir/out.bin", "x1"), "dir/.out.bin.x1.tmp");
  EXPECT_EQ(TemporaryNameFor("out.bin", "x1"), ".out.bin.x1.tmp");
  EXPECT_NE(NewTemporaryNameFor("out.bin"), NewTemporaryNameFor("out.bin"));
}

TEST(ReplacementFileTest, TemporaryNameFitsBesideAnyLegalName) {
  struct Row {
    std::string title;
    std::string kept;  // what of the title the temporary name keeps
  };
  const std::string e_acute = "\xC3\xA9";
  for (const Row& row : std::vector<Row>{
           {std::string(241, 'a'), std::string(241, 'a')},
           {std::string(242, 'a'), std::string(241, 'a')},
           {std::string(255, 'a'), std::string(241, 'a')},
           {std::string(240, 'a') + e_acute, std::string(240, 'a')},  // never half a character
       }) {
    const std::string name = TemporaryNameFor("dir/" + row.title, "12345678");
    EXPECT_EQ(name, "dir/." + row.kept + ".12345678.tmp") << row.title.size();
    EXPECT_LE(name.size() - 4, 255u);
  }
}

TEST(ReplacementFileTest, RefusesAWriteProtectedTarget) {
  TempFolder folder;
  const std::string target = folder.Write("protected.bin", "the user's");
  namespace fs = std::filesystem;
  fs::permissions(fs::u8path(target), fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                  fs::perm_options::remove);
  // On Windows this is the read-only attribute; POSIX lets root write anyway, as it does for cp.
  if (!std::ofstream(fs::u8path(target), std::ios::app)) {
    int number = 0;
    try {
      ReplacementFile file(target);
    } catch (const RunTimeError& failure) {
      number = failure.number();
    }
    EXPECT_EQ(number, 70);
    EXPECT_EQ(ReadFile(target), "the user's");
    EXPECT_EQ(EntriesIn(folder), 1u);
  }
  fs::permissions(fs::u8path(target), fs::perms::owner_write, fs::perm_options::add);
}

// The one writer of results: a set appears whole in its folder with one rename, or not at all; an
// earlier result is replaced only when asked, and a folder holding a file the set does not write
// never is; a run that was killed leaves a hidden folder, which is named.
TEST(ResultWriterTest, ASetAppearsWholeOrNotAtAll) {
  namespace fs = std::filesystem;
  enum class Before { Nothing, EarlierSet, UsersFolder, EarlierFile };
  struct Row {
    const char* label;
    Before before;
    bool replace;
    bool commit;
    int error;  // 0, or the run-time error the writer raises
  };
  for (const Row& row : std::vector<Row>{
           {"a new set", Before::Nothing, false, true, 0},
           {"dropped before it is committed", Before::Nothing, false, false, 0},
           {"an earlier set kept", Before::EarlierSet, false, true, 58},
           {"an earlier set replaced", Before::EarlierSet, true, true, 0},
           {"a folder of the user's", Before::UsersFolder, true, true, 58},
           {"a single file kept", Before::EarlierFile, false, true, 58},
       }) {
    SCOPED_TRACE(row.label);
    TempFolder folder;
    const bool single = row.before == Before::EarlierFile;
    const std::string target = folder.PathOf(single ? "dk_fixed.cdi" : "disc_fixed");
    if (row.before == Before::EarlierSet) {
      fs::create_directories(folder.path() / "disc_fixed" / "tracks");
      folder.Write("disc_fixed/tracks/b.bin", "old b");
    }
    if (row.before == Before::UsersFolder) {
      fs::create_directories(folder.path() / "disc_fixed");
      folder.Write("disc_fixed/notes.txt", "the user's");
    }
    if (single) folder.Write("dk_fixed.cdi", "an earlier copy");
    int error = 0;
    try {
      ResultWriter writer =
          single ? ResultWriter(target, row.replace) : ResultWriter(target, {"disc.gdi", "tracks/b.bin"}, row.replace);
      for (const std::string name : {"disc.gdi", "tracks/b.bin"}) {
        writer.Begin(single ? "" : name).Write(Bytes("new " + name));
        if (single) break;
      }
      writer.Close();
      EXPECT_FALSE(fs::exists(fs::u8path(target)) && row.before == Before::Nothing) << "only once committed";
      if (row.commit) writer.Commit();
    } catch (const RunTimeError& failure) {
      error = failure.number();
    }
    EXPECT_EQ(error, row.error);
    EXPECT_EQ(EntriesIn(folder), row.commit || row.before != Before::Nothing ? 1u : 0u) << "nothing beside it";
    if (row.before == Before::UsersFolder) {
      EXPECT_EQ(ReadFile(folder.PathOf("disc_fixed/notes.txt")), "the user's");
    }
    if (row.before == Before::EarlierSet) {
      EXPECT_EQ(ReadFile(folder.PathOf("disc_fixed/tracks/b.bin")), row.replace ? "new tracks/b.bin" : "old b");
    }
    if (row.before == Before::Nothing && row.commit) {
      EXPECT_EQ(ReadFile(folder.PathOf("disc_fixed/disc.gdi")), "new disc.gdi");
      EXPECT_EQ(ReadFile(folder.PathOf("disc_fixed/tracks/b.bin")), "new tracks/b.bin");
    }
  }
  TempFolder folder;
  fs::create_directory(folder.path() / ".disc_fixed.a1b2c3d4.tmp");
  folder.Write(".disc_fixed.a1b2c3d4.tmp/disc.gdi", "half a set");
  EXPECT_EQ(LeftoversOf(folder.PathOf("disc_fixed")),
            std::vector<std::string>{folder.PathOf(".disc_fixed.a1b2c3d4.tmp") +
                                     " (a folder) is left from an earlier run that was stopped: remove it"});
}

}  // namespace
}  // namespace quillet
