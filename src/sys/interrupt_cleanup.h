#pragma once

#include <string>

// Files that must not outlive the process: a temporary file half-written when the user presses
// Ctrl+C, the terminal closes, a pipe reader goes away or the system asks the process to end. On
// POSIX every signal whose default ends the process is covered (but the faults a program makes
// itself, which others own); on Windows nothing is marked.
namespace quillet {

// Marks `path` for removal should such a signal end the process, until ForgetOnInterrupt: a file, or
// a folder (once the files in it have gone, where it is empty then). Any number may be marked.
void RemoveOnInterrupt(const std::string& path);
void ForgetOnInterrupt(const std::string& path);

// Holds back every signal while it lives: what it guards (a rename and the marks it ends) happens
// whole before the handler can run. Nothing on Windows.
class SignalsHeld {
 public:
  SignalsHeld();
  SignalsHeld(const SignalsHeld&) = delete;
  SignalsHeld& operator=(const SignalsHeld&) = delete;
  ~SignalsHeld();

 private:
  alignas(8) unsigned char before_[128];  // the mask it restores (a sigset_t)
};

// Installs the handler: it ends the tools the process started and waits for them, removes the
// marked files, then the process ends by the same signal, as its parent expects. A signal that was
// ignored when the program started (nohup) stays ignored.
void InstallInterruptCleanup();

}  // namespace quillet
