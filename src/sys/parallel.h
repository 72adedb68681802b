#pragma once

#include <functional>

namespace quillet {

// Runs `work` on `workers` threads at once (this one among them) and waits for all of them. The
// first exception any of them throws is thrown again here, after all have ended; `work` should
// look at a shared flag to stop early when another has failed.
void RunOnWorkers(unsigned workers, const std::function<void()>& work);

// How many workers are worth starting for `tasks` independent tasks on this machine.
unsigned WorkersFor(std::size_t tasks);

}  // namespace quillet
