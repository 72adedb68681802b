#include "sys/tool_runner.h"

#include <windows.h>

#include <string>

#include "sys/file_errors.h"
#include "sys/winapi/utf16.h"

namespace quillet {

// The program is named by its full path in the tools folder, so the system's search for the
// command line's first word (which would look in the current folder) never decides which program
// runs; the command-line text stays as users know it, and is what the tool sees as its command.
ToolOutcome RunToolAndWait(const ToolRun& run) {
  // Its standard error comes to us through a pipe: its reason goes into our message.
  SECURITY_ATTRIBUTES inheritable{sizeof inheritable, nullptr, TRUE};
  HANDLE errors_read = nullptr, errors_write = nullptr;
  if (!CreatePipe(&errors_read, &errors_write, &inheritable, 0)) return {false, 0, DescribeOsError(GetLastError()), ""};
  SetHandleInformation(errors_read, HANDLE_FLAG_INHERIT, 0);
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESHOWWINDOW | STARTF_USESTDHANDLES;
  startup.wShowWindow = SW_HIDE;
  startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
  startup.hStdOutput = GetStdHandle(STD_OUTPUT_HANDLE);
  startup.hStdError = errors_write;
  PROCESS_INFORMATION process{};
  std::wstring command_line = Widen(run.command_line);  // CreateProcessW may write to it
  const std::wstring program = Widen(run.program);
  const bool started = CreateProcessW(program.c_str(), command_line.data(), nullptr, nullptr, TRUE,
                                      NORMAL_PRIORITY_CLASS, nullptr, nullptr, &startup, &process);
  const DWORD start_failure = started ? 0 : GetLastError();
  CloseHandle(errors_write);
  if (!started) {
    CloseHandle(errors_read);
    return {false, 0, DescribeOsError(start_failure), ""};
  }
  std::string said;
  char block[4096];
  DWORD got = 0;
  while (ReadFile(errors_read, block, sizeof block, &got, nullptr) && got > 0) {
    said.append(block, got);
    if (said.size() > kToolErrorsKept) said.erase(0, said.size() - kToolErrorsKept);
  }
  CloseHandle(errors_read);
  WaitForSingleObject(process.hProcess, INFINITE);
  DWORD exit_code = 0;
  const bool known = GetExitCodeProcess(process.hProcess, &exit_code);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  if (!known) return {true, 0, DescribeOsError(GetLastError()), said};
  return {true, static_cast<int>(exit_code), "", said};
}

}  // namespace quillet
