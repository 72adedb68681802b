#include "win32/win32_system.h"

#include <vector>

#include "shell/shell_verbs.h"
#include "util/windows_command_line.h"
#include "win32/registry.h"
#include "win32/utf16.h"

namespace quillet {
namespace {

// Where programs of this kind keep their per-user settings.
constexpr wchar_t kSettingsKey[] = L"Software\\VB and VBA Program Settings\\Quillet\\";
// HKEY_CLASSES_ROOT as the current user may write it, without administrator rights.
constexpr wchar_t kUserClassesKey[] = L"Software\\Classes\\";

std::wstring ExecutablePathW() {
  std::vector<wchar_t> buffer(MAX_PATH);
  while (true) {
    const DWORD length = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
    if (length < buffer.size()) return std::wstring(buffer.data(), length);
    buffer.resize(buffer.size() * 2);
  }
}

std::string LocaleText(LCTYPE item, const char* fallback) {
  wchar_t buffer[16];
  const int length = GetLocaleInfoEx(LOCALE_NAME_USER_DEFAULT, item, buffer, 16);
  return length > 1 ? Narrow(std::wstring_view(buffer, static_cast<std::size_t>(length - 1))) : fallback;
}

}  // namespace

std::string Win32System::ExecutableFolder() {
  const std::wstring path = ExecutablePathW();
  return Narrow(path.substr(0, path.find_last_of(L'\\')));
}

std::string Win32System::ExecutableName() {
  const std::wstring path = ExecutablePathW();
  std::wstring name = path.substr(path.find_last_of(L'\\') + 1);
  return Narrow(name.substr(0, name.find_last_of(L'.')));
}

std::string Win32System::CommandLineText() { return ArgumentText(Narrow(GetCommandLineW())); }

NumberSeparators Win32System::LocaleSeparators() {
  return {LocaleText(LOCALE_STHOUSAND, ","), LocaleText(LOCALE_SDECIMAL, ".")};
}

void Win32System::WriteSetting(const std::string& section, const std::string& key, const std::string& value) {
  WriteRegistryString(HKEY_CURRENT_USER, kSettingsKey + Widen(section), Widen(key), Widen(value));
}

void Win32System::WriteShellVerb(const std::string& extension, const std::string& verb, const std::string& command) {
  const ShellVerb entry{extension, verb};
  WriteRegistryString(HKEY_CURRENT_USER, kUserClassesKey + Widen(ShellCommandKey(entry)), L"", Widen(command));
  RemoveRegistryKey(HKEY_CURRENT_USER, kUserClassesKey + Widen(EarlierShellVerbKey(entry)));
}

}  // namespace quillet
