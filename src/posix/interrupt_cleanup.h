#pragma once

#include <string>

// Files that must not outlive the process: a temporary file half-written when the user presses
// Ctrl+C, the terminal closes or the system asks the process to end (SIGINT, SIGHUP, SIGTERM).
namespace quillet {

// Marks `path` for removal should one of those signals end the process, until ForgetOnInterrupt.
void RemoveOnInterrupt(const std::string& path);
void ForgetOnInterrupt(const std::string& path);

// Installs the handler: it removes the marked files, then the process ends by the same signal, as
// its parent expects. A signal that was ignored when the program started (nohup) stays ignored.
void InstallInterruptCleanup();

}  // namespace quillet
