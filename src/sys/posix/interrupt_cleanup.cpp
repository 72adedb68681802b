#include "sys/interrupt_cleanup.h"

#include <limits.h>
#include <pthread.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <iterator>

#include "sys/posix/child_processes.h"

namespace quillet {
namespace {

// Slots the handler walks: a list that only grows, each slot reused once freed, so that the handler
// reads no memory that may be freed or moved under it, and a set of any number of files is covered.
// The first slots are fixed storage, all zeros from the start (constinit): they cost no page of
// memory until one is used; more are allocated (and never freed) while a mark is being made.
struct Slot {
  std::atomic<int> state{0};  // free, being written, marked
  char path[PATH_MAX] = {};
  std::atomic<Slot*> next{nullptr};
};
constexpr int kFree = 0, kWriting = 1, kMarked = 2;
constinit Slot g_first_slots[16];
constinit std::atomic<Slot*> g_more_slots{nullptr};  // pushed at the front, newest first
constinit std::atomic<pid_t> g_children[4];

// Calls `visit` on every slot, the allocated ones newest first, then the fixed ones last first;
// stops where it returns true.
template <typename Visit>
void ForEachSlot(Visit visit) {
  for (Slot* slot = g_more_slots.load(); slot; slot = slot->next.load()) {
    if (visit(*slot)) return;
  }
  for (auto slot = std::rbegin(g_first_slots); slot != std::rend(g_first_slots); ++slot) {
    if (visit(*slot)) return;
  }
}

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
  // Round after round while anything goes: a folder made for files goes once they have gone.
  for (bool removed = true; removed;) {
    removed = false;
    ForEachSlot([&removed](Slot& slot) {
      if (slot.state.load() == kMarked && (::unlink(slot.path) == 0 || ::rmdir(slot.path) == 0)) {
        slot.state = kFree;
        removed = true;
      }
      return false;
    });
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
  const auto take = [&path](Slot& slot) {
    int expected = kFree;
    if (!slot.state.compare_exchange_strong(expected, kWriting)) return false;
    std::memcpy(slot.path, path.c_str(), path.size() + 1);
    slot.state = kMarked;
    return true;
  };
  bool taken = false;
  ForEachSlot([&](Slot& slot) { return taken = take(slot); });
  if (taken) return;
  Slot* slot = new Slot;
  take(*slot);
  Slot* head = g_more_slots.load();
  do {
    slot->next = head;
  } while (!g_more_slots.compare_exchange_weak(head, slot));
}

void ForgetOnInterrupt(const std::string& path) {
  ForEachSlot([&path](Slot& slot) {
    if (slot.state.load() != kMarked || path != slot.path) return false;
    slot.state = kFree;
    return true;
  });
}

SignalsHeld::SignalsHeld() {
  static_assert(sizeof(sigset_t) <= sizeof(before_));
  sigset_t every;
  ::sigfillset(&every);
  ::pthread_sigmask(SIG_BLOCK, &every, reinterpret_cast<sigset_t*>(&before_));
}

SignalsHeld::~SignalsHeld() { ::pthread_sigmask(SIG_SETMASK, reinterpret_cast<sigset_t*>(&before_), nullptr); }

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
