#include "util/tool_runner.h"

#include <windows.h>

#include "util/file_errors.h"
#include "winapi/utf16.h"

namespace quillet {

// The program is named by its full path in the tools folder, so the system's search for the
// command line's first word (which would look in the current folder) never decides which program
// runs; the command-line text stays as users know it, and is what the tool sees as its command.
ToolOutcome RunToolAndWait(const ToolRun& run) {
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESHOWWINDOW;
  startup.wShowWindow = SW_HIDE;
  PROCESS_INFORMATION process{};
  std::wstring command_line = Widen(run.command_line);  // CreateProcessW may write to it
  const std::wstring program = Widen(run.program);
  if (!CreateProcessW(program.c_str(), command_line.data(), nullptr, nullptr, TRUE, NORMAL_PRIORITY_CLASS, nullptr,
                      nullptr, &startup, &process)) {
    return {false, 0, DescribeOsError(GetLastError())};
  }
  WaitForSingleObject(process.hProcess, INFINITE);
  DWORD exit_code = 0;
  const bool known = GetExitCodeProcess(process.hProcess, &exit_code);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  if (!known) return {true, 0, DescribeOsError(GetLastError())};
  return {true, static_cast<int>(exit_code), ""};
}

}  // namespace quillet
