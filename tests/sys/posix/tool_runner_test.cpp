// The POSIX runner with real child processes.
#include "sys/tool_runner.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>

#include "support/temp_folder.h"

namespace quillet {
namespace {

using testing::ReadFile;
using testing::TempFolder;

ToolOutcome Shell(const std::string& script, std::vector<std::string> arguments = {}) {
  arguments.insert(arguments.begin(), {"-c", script, "sh"});
  return RunToolAndWait({"/bin/sh", arguments, "sh"});
}

TEST(PosixToolRunnerTest, ReportsHowTheToolEnded) {
  struct Row {
    std::string script;
    ToolOutcome expected;
  };
  for (const Row& row : std::vector<Row>{
           {"exit 0", {true, 0, "", ""}},
           {"exit 3", {true, 3, "", ""}},
           {"kill -KILL $$", {true, 137, "ended by signal Killed", ""}},
           // What it says on its standard error is kept, the last 4 KiB of it, and not shown.
           {"echo 'tool: x.elf: file format not recognized' >&2; exit 1",
            {true, 1, "", "tool: x.elf: file format not recognized\n"}},
           {"head -c 10000 /dev/zero | tr '\\0' a >&2; echo end >&2", {true, 0, "", std::string(4092, 'a') + "end\n"}},
       }) {
    const ToolOutcome outcome = Shell(row.script);
    EXPECT_EQ(outcome.started, row.expected.started) << row.script;
    EXPECT_EQ(outcome.exit_code, row.expected.exit_code) << row.script;
    EXPECT_EQ(outcome.failure, row.expected.failure) << row.script;
    EXPECT_EQ(outcome.errors, row.expected.errors) << row.script;
  }
}

TEST(PosixToolRunnerTest, AMissingProgramIsNotStarted) {
  const ToolOutcome outcome = RunToolAndWait({"/nonexistent/tools/dcscram", {"a", "b"}, "tools/dcscram.exe"});
  EXPECT_FALSE(outcome.started);
  EXPECT_EQ(outcome.failure, "No such file or directory");
}

TEST(PosixToolRunnerTest, ArgumentsArriveByteForByte) {
  TempFolder folder;
  const std::vector<std::string> arguments{
      "with blanks", "\"quoted\"", "back\\slash", "Ça 日本", "", "'single'", std::string("\xFF\xFE raw", 6),
      "$HOME",       "*.bin"};
  const std::string out = folder.PathOf("out");
  std::vector<std::string> all{out};
  all.insert(all.end(), arguments.begin(), arguments.end());
  ASSERT_EQ(Shell(R"(out=$1; shift; for a in "$@"; do printf '%s\n' "$a"; done > "$out")", all).exit_code, 0);
  std::string expected;
  for (const std::string& argument : arguments) expected += argument + "\n";
  EXPECT_EQ(ReadFile(out), expected);
}

TEST(PosixToolRunnerTest, InheritsFolderAndEnvironmentAndReadsNothing) {
  TempFolder folder;
  const std::filesystem::path previous = std::filesystem::current_path();
  std::filesystem::current_path(folder.path());
  ::setenv("QUILLET_RUNNER_TEST", "inherited", 1);
  // This process's input is a pipe with something typed into it: a tool that inherited it would
  // copy it, where a tool given no input copies nothing.
  int typed[2];
  ASSERT_EQ(::pipe(typed), 0);
  ASSERT_EQ(::write(typed[1], "typed", 5), 5);
  ::close(typed[1]);
  const int own_input = ::dup(STDIN_FILENO);
  ::dup2(typed[0], STDIN_FILENO);
  ::close(typed[0]);
  const ToolOutcome outcome = Shell(R"(pwd -P > where; printf %s "$QUILLET_RUNNER_TEST" > env; cat > input)");
  ::dup2(own_input, STDIN_FILENO);
  ::close(own_input);
  std::filesystem::current_path(previous);
  ASSERT_EQ(outcome.exit_code, 0);
  EXPECT_EQ(ReadFile(folder.PathOf("where")), std::filesystem::canonical(folder.path()).string() + "\n");
  EXPECT_EQ(ReadFile(folder.PathOf("env")), "inherited");
  EXPECT_EQ(ReadFile(folder.PathOf("input")), "");
}

}  // namespace
}  // namespace quillet
