#pragma once

#include <sys/types.h>

// The tools a process is running, which end with it: the interrupt handler ends and waits for them
// before it removes the files they were writing.
namespace quillet {

void EndWithProcess(pid_t child);
void ForgetChildProcess(pid_t child);

}  // namespace quillet
