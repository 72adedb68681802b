#include "util/tool_runner.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <vector>

extern char** environ;

namespace quillet {

ToolOutcome RunToolAndWait(const ToolRun& run) {
  std::vector<char*> argv;
  argv.push_back(const_cast<char*>(run.program.c_str()));
  for (const std::string& argument : run.arguments) argv.push_back(const_cast<char*>(argument.c_str()));
  argv.push_back(nullptr);

  // The tool reads no input: a tool that asked for some would otherwise wait on the user's terminal.
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
  pid_t child;
  const int failure = posix_spawn(&child, run.program.c_str(), &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (failure != 0) return {false, 0, std::strerror(failure)};

  int status;
  while (waitpid(child, &status, 0) < 0) {
    if (errno != EINTR) return {true, 0, std::strerror(errno)};
  }
  if (WIFSIGNALED(status)) {
    return {true, 128 + WTERMSIG(status), std::string("ended by signal ") + strsignal(WTERMSIG(status))};
  }
  return {true, WEXITSTATUS(status), ""};
}

}  // namespace quillet
