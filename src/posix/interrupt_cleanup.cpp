#include "posix/interrupt_cleanup.h"

#include <limits.h>
#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <cstring>

namespace quillet {
namespace {

// Fixed storage, so that the handler reads no memory that may be freed or moved under it.
struct Slot {
  std::atomic<int> state{0};  // free, being written, marked
  char path[PATH_MAX];
};
constexpr int kFree = 0, kWriting = 1, kMarked = 2;
Slot g_slots[8];

void OnInterrupt(int signal) {
  for (Slot& slot : g_slots) {
    if (slot.state.load() == kMarked) ::unlink(slot.path);
  }
  // Blocked while this handler runs, the signal is delivered again, with its default action, on
  // the way out.
  ::signal(signal, SIG_DFL);
  ::raise(signal);
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

void InstallInterruptCleanup() {
  for (int signal : {SIGINT, SIGHUP, SIGTERM}) {
    struct sigaction previous {};
    if (::sigaction(signal, nullptr, &previous) != 0 || previous.sa_handler == SIG_IGN) continue;
    struct sigaction action {};
    action.sa_handler = OnInterrupt;
    ::sigfillset(&action.sa_mask);
    ::sigaction(signal, &action, nullptr);
  }
}

}  // namespace quillet
