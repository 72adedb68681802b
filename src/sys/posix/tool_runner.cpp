#include "sys/tool_runner.h"

#include <fcntl.h>
#include <pthread.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <vector>

#include "sys/posix/child_processes.h"

extern char** environ;

namespace quillet {
namespace {

// What `descriptor` gives until its end, the last kToolErrorsKept bytes of it.
std::string ReadToEnd(int descriptor) {
  std::string kept;
  char block[4096];
  for (;;) {
    const ssize_t got = ::read(descriptor, block, sizeof block);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) break;
    kept.append(block, static_cast<std::size_t>(got));
    if (kept.size() > kToolErrorsKept) kept.erase(0, kept.size() - kToolErrorsKept);
  }
  return kept;
}

}  // namespace

ToolOutcome RunToolAndWait(const ToolRun& run) {
  std::vector<char*> argv;
  argv.push_back(const_cast<char*>(run.program.c_str()));
  for (const std::string& argument : run.arguments) argv.push_back(const_cast<char*>(argument.c_str()));
  argv.push_back(nullptr);

  // The tool reads no input: a tool that asked for some would otherwise wait on the user's terminal.
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
  // Its standard error comes to us: its reason goes into our message.
  int errors[2];
  if (pipe2(errors, O_CLOEXEC) != 0) return {false, 0, std::strerror(errno), ""};
  posix_spawn_file_actions_adddup2(&actions, errors[1], STDERR_FILENO);
  // The tool ends with this process: no signal may come between its start and its registration,
  // and the tool itself starts with no signal blocked.
  sigset_t all, previous, none;
  sigfillset(&all);
  sigemptyset(&none);
  posix_spawnattr_t attributes;
  posix_spawnattr_init(&attributes);
  posix_spawnattr_setsigmask(&attributes, &none);
  posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK);
  pthread_sigmask(SIG_BLOCK, &all, &previous);
  pid_t child;
  const int failure = posix_spawn(&child, run.program.c_str(), &actions, &attributes, argv.data(), environ);
  if (failure == 0) EndWithProcess(child);
  pthread_sigmask(SIG_SETMASK, &previous, nullptr);
  posix_spawnattr_destroy(&attributes);
  posix_spawn_file_actions_destroy(&actions);
  ::close(errors[1]);
  if (failure != 0) {
    ::close(errors[0]);
    return {false, 0, std::strerror(failure), ""};
  }
  const std::string said = ReadToEnd(errors[0]);
  ::close(errors[0]);

  int status;
  int waited;
  while ((waited = waitpid(child, &status, 0)) < 0 && errno == EINTR) {
  }
  ForgetChildProcess(child);
  if (waited < 0) return {true, 0, std::strerror(errno), said};
  if (WIFSIGNALED(status)) {
    return {true, 128 + WTERMSIG(status), std::string("ended by signal ") + strsignal(WTERMSIG(status)), said};
  }
  return {true, WEXITSTATUS(status), "", said};
}

}  // namespace quillet
