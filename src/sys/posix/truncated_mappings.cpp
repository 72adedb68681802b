#include "sys/posix/truncated_mappings.h"

#include <signal.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <mutex>

namespace quillet {
namespace {

// A command line maps one file at a time; a few more leave room for any other caller.
struct Slot {
  std::atomic<bool> used{false};
  std::atomic<std::uintptr_t> begin{0};  // 0 while the slot is not (yet) watching
  std::atomic<std::uintptr_t> end{0};
  std::atomic<std::atomic<bool>*> truncated{nullptr};
};
Slot g_slots[16];
std::uintptr_t g_page_size = 4096;  // set before the handler is installed

void OnBusError(int signal, siginfo_t* info, void*) {
  const auto address = reinterpret_cast<std::uintptr_t>(info->si_addr);
  for (Slot& slot : g_slots) {
    const std::uintptr_t begin = slot.begin.load();
    const std::uintptr_t end = slot.end.load();
    if (begin == 0 || address < begin || address >= end) continue;
    // Everything from the first vanished page on lies past the file's new end.
    const std::uintptr_t page = address & ~(g_page_size - 1);
    if (::mmap(reinterpret_cast<void*>(page), end - page, PROT_READ, MAP_PRIVATE | MAP_ANONYMOUS | MAP_FIXED, -1, 0) ==
        MAP_FAILED) {
      break;
    }
    slot.truncated.load()->store(true);
    return;  // the access is retried and reads zeros
  }
  // Not one of ours: the default action, as soon as the access is retried.
  ::signal(signal, SIG_DFL);
}

void InstallHandler() {
  g_page_size = static_cast<std::uintptr_t>(::sysconf(_SC_PAGESIZE));
  struct sigaction action {};
  action.sa_sigaction = OnBusError;
  action.sa_flags = SA_SIGINFO;
  ::sigemptyset(&action.sa_mask);
  ::sigaction(SIGBUS, &action, nullptr);
}

}  // namespace

bool WatchMapping(const void* begin, std::size_t length, std::atomic<bool>* truncated) {
  static std::once_flag installed;
  std::call_once(installed, InstallHandler);
  for (Slot& slot : g_slots) {
    if (slot.used.exchange(true)) continue;
    slot.truncated = truncated;
    slot.end = reinterpret_cast<std::uintptr_t>(begin) + length;
    slot.begin = reinterpret_cast<std::uintptr_t>(begin);
    return true;
  }
  return false;
}

void UnwatchMapping(const void* begin) {
  for (Slot& slot : g_slots) {
    if (slot.begin.load() != reinterpret_cast<std::uintptr_t>(begin)) continue;
    slot.begin = 0;
    slot.end = 0;
    slot.truncated = nullptr;
    slot.used = false;
    return;
  }
}

}  // namespace quillet
