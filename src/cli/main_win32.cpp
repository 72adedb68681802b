#include <windows.h>

#include <sstream>
#include <string>
#include <vector>

#include "cli/scan_command.h"
#include "win32/utf16.h"

namespace {

// UTF-8 reaches a pipe or file unchanged; a console gets UTF-16, so that any file name shows
// whatever the console's code page.
bool WriteText(DWORD which, const std::string& text) {
  HANDLE handle = GetStdHandle(which);
  if (text.empty()) return true;
  if (handle == nullptr || handle == INVALID_HANDLE_VALUE) return false;
  DWORD mode;
  if (GetConsoleMode(handle, &mode)) {
    const std::wstring wide = quillet::Widen(text);
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

int wmain(int argc, wchar_t** argv) {
  std::vector<std::string> arguments;
  for (int i = 1; i < argc; ++i) arguments.push_back(quillet::Narrow(argv[i]));
  std::ostringstream out, err;
  int status = quillet::RunQuillet(arguments, out, err);
  if (!WriteText(STD_OUTPUT_HANDLE, out.str())) {
    err << "quillet: the results could not be written to standard output\n";
    status = quillet::kExitSomeFailed;
  }
  WriteText(STD_ERROR_HANDLE, err.str());
  return status;
}
