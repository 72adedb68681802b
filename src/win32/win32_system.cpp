#include "win32/win32_system.h"

#include "shell/shell_verbs.h"
#include "sys/file_system.h"
#include "sys/winapi/utf16.h"
#include "util/path_rules.h"
#include "util/run_time_error.h"
#include "util/windows_command_line.h"
#include "win32/registry.h"

namespace quillet {
namespace {

// The per-user settings store's key for the application "Quillet": the registry path under
// HKEY_CURRENT_USER that the four window-placement values are written to.
constexpr wchar_t kSettingsKey[] = L"Software\\VB and VBA Program Settings\\Quillet\\";
// HKEY_CLASSES_ROOT as the current user may write it, without administrator rights.
constexpr wchar_t kUserClassesKey[] = L"Software\\Classes\\";

std::string LocaleText(LCTYPE item, const char* fallback) {
  wchar_t buffer[16];
  const int length = GetLocaleInfoEx(LOCALE_NAME_USER_DEFAULT, item, buffer, 16);
  return length > 1 ? Narrow(std::wstring_view(buffer, static_cast<std::size_t>(length - 1))) : fallback;
}

}  // namespace

std::string Win32System::ExecutableFolder() { return ContainingFolder(ProgramPath(), PathStyle::Windows).value_or(""); }

std::string Win32System::ExecutableName() {
  const std::string path = ProgramPath();
  const std::string_view name = FileTitle(path, PathStyle::Windows);
  return std::string(name.substr(0, name.find_last_of('.')));
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
  try {
    RemoveRegistryKey(HKEY_CURRENT_USER, kUserClassesKey + Widen(EarlierShellVerbKey(entry)));
  } catch (const RunTimeError&) {
    // The entry is written; an earlier version's key that will not go only shows the entry twice.
  }
}

void Win32System::RemoveShellVerb(const std::string& extension, const std::string& verb) {
  const ShellVerb entry{extension, verb};
  RemoveRegistryKey(HKEY_CURRENT_USER, kUserClassesKey + Widen(ShellVerbKey(entry)));
  RemoveRegistryKey(HKEY_CURRENT_USER, kUserClassesKey + Widen(EarlierShellVerbKey(entry)));
}

}  // namespace quillet
