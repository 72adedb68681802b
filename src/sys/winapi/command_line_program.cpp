#include "sys/command_line_program.h"

#include <windows.h>

#include <sstream>
#include <vector>

#include "sys/winapi/utf16.h"

namespace quillet {
namespace {

// UTF-8 reaches a pipe or file unchanged; a console gets UTF-16, so that any file name shows
// whatever the console's code page.
bool WriteText(DWORD which, const std::string& text) {
  if (text.empty()) return true;
  HANDLE handle = GetStdHandle(which);
  if (handle == nullptr || handle == INVALID_HANDLE_VALUE) return false;
  DWORD mode;
  if (GetConsoleMode(handle, &mode)) {
    const std::wstring wide = Widen(text);
    DWORD written;
    return WriteConsoleW(handle, wide.data(), static_cast<DWORD>(wide.size()), &written, nullptr) != 0;
  }
  for (std::size_t done = 0; done < text.size();) {
    DWORD written = 0;
    if (!WriteFile(handle, text.data() + done, static_cast<DWORD>(text.size() - done), &written, nullptr)) return false;
    done += written;
  }
  return true;
}

}  // namespace

int RunCommandLineProgram(int argc, wchar_t** argv, std::string_view name, int failure_status,
                          CommandLineProgram program) {
  std::vector<std::string> arguments;
  for (int i = 1; i < argc; ++i) arguments.push_back(Narrow(argv[i]));
  std::ostringstream out, err;
  int status = program(arguments, out, err);
  if (!WriteText(STD_OUTPUT_HANDLE, out.str())) {
    err << name << ": the output could not be written\n";
    status = failure_status;
  }
  WriteText(STD_ERROR_HANDLE, err.str());
  return status;
}

}  // namespace quillet
