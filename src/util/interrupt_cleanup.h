#pragma once

#include <string>

// Files that must not outlive the process: a temporary file half-written when the user presses
// Ctrl+C, the terminal closes, a pipe reader goes away or the system asks the process to end. On
// POSIX every signal whose default ends the process is covered (but the faults a program makes
// itself, which others own); on Windows nothing is marked.
namespace quillet {

// Marks `path` for removal should such a signal end the process, until ForgetOnInterrupt: a file, or
// a folder (once the files marked after it have gone, where it is empty then).
void RemoveOnInterrupt(const std::string& path);
void ForgetOnInterrupt(const std::string& path);

// Installs the handler: it ends the tools the process started and waits for them, removes the
// marked files, then the process ends by the same signal, as its parent expects. A signal that was
// ignored when the program started (nohup) stays ignored.
void InstallInterruptCleanup();

}  // namespace quillet
