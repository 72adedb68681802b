#include "util/interrupt_cleanup.h"

#include <limits.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <iterator>

#include "posix/child_processes.h"

namespace quillet {
namespace {

// Fixed storage, so that the handler reads no memory that may be freed or moved under it. All zeros
// from the start (constinit): the slots cost no page of memory until one is used.
struct Slot {
  std::atomic<int> state{0};  // free, being written, marked
  char path[PATH_MAX] = {};
};
constexpr int kFree = 0, kWriting = 1, kMarked = 2;
// Enough for a disc image's set of track files, each written to a temporary file of its own.
constinit Slot g_slots[128];
constinit std::atomic<pid_t> g_children[4];

// Every signal whose default action ends the process, but the faults (SIGSEGV, SIGBUS, SIGILL,
// SIGFPE, SIGTRAP), which sanitizers, debuggers and the truncated-file watch handle; and SIGXFSZ,
// which the command-line programs ignore so that an oversized write fails as a write.
constexpr int kEndingSignals[] = {SIGHUP,  SIGINT,  SIGQUIT,   SIGABRT, SIGUSR1, SIGUSR2, SIGPIPE, SIGALRM,
                                  SIGTERM, SIGXCPU, SIGVTALRM, SIGPROF, SIGPOLL, SIGSYS,  SIGPWR,  SIGSTKFLT};

void OnInterrupt(int signal) {
  const int saved_errno = errno;
  for (std::atomic<pid_t>& child : g_children) {
    if (const pid_t pid = child.load(); pid > 0 && ::kill(pid, SIGTERM) == 0) {
      while (::waitpid(pid, nullptr, 0) < 0 && errno == EINTR) {
      }
    }
  }
  // Last marked first: a folder made for files goes once they have gone.
  for (auto slot = std::rbegin(g_slots); slot != std::rend(g_slots); ++slot) {
    if (slot->state.load() == kMarked && ::unlink(slot->path) != 0) ::rmdir(slot->path);
  }
  // Blocked while this handler runs, the signal is delivered again, with its default action, on
  // the way out.
  ::signal(signal, SIG_DFL);
  ::raise(signal);
  errno = saved_errno;
}

}  // namespace

void RemoveOnInterrupt(const std::string& path) {
  if (path.size() >= PATH_MAX) return;  // no such file can be made
  for (Slot& slot : g_slots) {
    int expected = kFree;
    if (!slot.state.compare_exchange_strong(expected, kWriting)) continue;
    std::memcpy(slot.path, path.c_str(), path.size() + 1);
    slot.state = kMarked;
    return;
  }
}

void ForgetOnInterrupt(const std::string& path) {
  for (Slot& slot : g_slots) {
    if (slot.state.load() == kMarked && path == slot.path) {
      slot.state = kFree;
      return;
    }
  }
}

void EndWithProcess(pid_t child) {
  for (std::atomic<pid_t>& slot : g_children) {
    pid_t expected = 0;
    if (slot.compare_exchange_strong(expected, child)) return;
  }
}

void ForgetChildProcess(pid_t child) {
  for (std::atomic<pid_t>& slot : g_children) {
    pid_t expected = child;
    if (slot.compare_exchange_strong(expected, 0)) return;
  }
}

void InstallInterruptCleanup() {
  const auto install = [](int signal) {
    struct sigaction previous {};
    if (::sigaction(signal, nullptr, &previous) != 0 || previous.sa_handler == SIG_IGN) return;
    struct sigaction action {};
    action.sa_handler = OnInterrupt;
    ::sigfillset(&action.sa_mask);
    ::sigaction(signal, &action, nullptr);
  };
  for (const int signal : kEndingSignals) install(signal);
  for (int signal = SIGRTMIN; signal <= SIGRTMAX; ++signal) install(signal);
}

}  // namespace quillet
