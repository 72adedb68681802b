#include "sys/parallel.h"

#include <algorithm>
#include <exception>
#include <mutex>
#include <thread>
#include <vector>

namespace quillet {

void RunOnWorkers(unsigned workers, const std::function<void()>& work) {
  std::mutex mutex;
  std::exception_ptr failure;
  const auto guarded = [&] {
    try {
      work();
    } catch (...) {
      std::lock_guard lock(mutex);
      if (!failure) failure = std::current_exception();
    }
  };
  std::vector<std::thread> threads;
  for (unsigned worker = 1; worker < workers; ++worker) threads.emplace_back(guarded);
  guarded();
  for (std::thread& thread : threads) thread.join();
  if (failure) std::rethrow_exception(failure);
}

unsigned WorkersFor(std::size_t tasks) {
  const unsigned cores = std::max(1u, std::thread::hardware_concurrency());
  return static_cast<unsigned>(std::clamp<std::size_t>(tasks, 1, std::min(cores, 4u)));
}

}  // namespace quillet
