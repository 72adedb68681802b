// tools\sh-elf-objcopy.exe for the window's tests under Wine: runs the machine's real GNU
// sh-elf-objcopy, a Linux program, on the Windows paths it is given, waits for it and ends with its
// exit status. It uses what Wine offers Windows programs for this: path conversion, and starting a
// Linux program (a plain CreateProcess of one neither waits for it nor reports its status).
#include <windows.h>

#include <string>
#include <vector>

namespace {

template <typename Function>
Function Export(const wchar_t* module, const char* name) {
  // Through void*: a FARPROC is no function type of its own.
  return reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(module), name)));
}

std::string Utf8(const wchar_t* text) {
  const int size = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
  std::string narrow(static_cast<std::size_t>(size), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text, -1, narrow.data(), size, nullptr, nullptr);
  narrow.pop_back();
  return narrow;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  using UnixFileName = char*(__cdecl*)(const wchar_t*);
  using UnixSpawn = long(__cdecl*)(char* const* argv, int wait);
  const auto unix_file_name = Export<UnixFileName>(L"kernel32.dll", "wine_get_unix_file_name");
  const auto unix_spawn = Export<UnixSpawn>(L"ntdll.dll", "__wine_unix_spawnvp");
  if (unix_file_name == nullptr || unix_spawn == nullptr) return 126;

  std::vector<std::string> arguments{QUILLET_SH_OBJCOPY};
  for (int i = 1; i < argc; ++i) {
    const std::wstring argument = argv[i];
    // Options stay as they are; paths become the Linux paths they stand for.
    char* unix_path = argument[0] != L'-' && argument != L"binary" ? unix_file_name(argv[i]) : nullptr;
    arguments.push_back(unix_path ? std::string(unix_path) : Utf8(argv[i]));
    if (unix_path) HeapFree(GetProcessHeap(), 0, unix_path);
  }
  std::vector<char*> unix_argv;
  for (std::string& argument : arguments) unix_argv.push_back(argument.data());
  unix_argv.push_back(nullptr);
  return static_cast<int>(unix_spawn(unix_argv.data(), 1));
}
