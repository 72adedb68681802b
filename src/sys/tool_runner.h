#pragma once

#include "util/tool_run.h"

namespace quillet {

// Starts `run.program` with `run.arguments`, hidden, with this program's environment and current
// folder and no input, and waits until it has ended, without limit; what it writes to its standard
// error is kept for the message that says why it failed, not shown. Per platform: POSIX passes the
// argument vector as it is; Windows hands the command-line text to CreateProcess.
ToolOutcome RunToolAndWait(const ToolRun& run);

}  // namespace quillet
