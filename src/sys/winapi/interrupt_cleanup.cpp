#include "sys/interrupt_cleanup.h"

namespace quillet {

// A Windows program is ended without a handler of its own running: the replacement file's
// temporary is the one file it would leave, as any program's would be.
void RemoveOnInterrupt(const std::string&) {}
void ForgetOnInterrupt(const std::string&) {}
void InstallInterruptCleanup() {}
SignalsHeld::SignalsHeld() : before_{} {}
SignalsHeld::~SignalsHeld() = default;

}  // namespace quillet
