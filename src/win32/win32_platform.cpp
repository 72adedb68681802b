#include "win32/win32_platform.h"

#include <commdlg.h>

#include <vector>

#include "app/form_texts.h"
#include "shell/shell_verbs.h"
#include "util/file_errors.h"
#include "util/file_system.h"
#include "util/windows_command_line.h"
#include "win32/registry.h"
#include "win32/relabelled_message_box.h"
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

HWND Win32Platform::Box(TextBox box) const {
  switch (box) {
    case TextBox::FileName: return window_.Control(kText1);
    case TextBox::Type: return window_.Control(kText2);
    case TextBox::Size: return window_.Control(kText3);
  }
  return nullptr;
}

std::string Win32Platform::BoxText(TextBox box) {
  HWND control = Box(box);
  std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(control)) + 1, L'\0');
  text.resize(static_cast<std::size_t>(GetWindowTextW(control, text.data(), static_cast<int>(text.size()))));
  return Narrow(text);
}

void Win32Platform::SetBoxText(TextBox box, const std::string& text) { SetWindowTextW(Box(box), Widen(text).c_str()); }

void Win32Platform::EnableConvert(bool enabled) { EnableWindow(window_.Control(kCommand3), enabled); }

void Win32Platform::CloseWindow() { PostMessageW(window_.handle(), WM_CLOSE, 0, 0); }

WindowPlacement Win32Platform::Placement() {
  WindowPlacement placement;
  HWND window = window_.handle();
  placement.state = IsIconic(window)   ? WindowState::Minimised
                    : IsZoomed(window) ? WindowState::Maximised
                                       : WindowState::Normal;
  RECT frame;
  GetWindowRect(window, &frame);
  const UINT dpi = window_.Dpi();
  placement.left = PixelsToTwips(frame.left, dpi);
  placement.top = PixelsToTwips(frame.top, dpi);
  placement.width = PixelsToTwips(frame.right - frame.left, dpi);
  placement.height = PixelsToTwips(frame.bottom - frame.top, dpi);
  return placement;
}

int Win32Platform::ShowMessage(const std::string& text, int type, const std::string& title) {
  return MessageBoxW(window_.handle(), Widen(text).c_str(), Widen(title.empty() ? kApplicationTitle : title).c_str(),
                     static_cast<UINT>(type));
}

int Win32Platform::AskRelabelled(const std::string& prompt, int type, const std::string& title,
                                 const ButtonSettingTable& buttons) {
  return MsgBoxEx(window_.handle(), Widen(prompt), static_cast<UINT>(type), Widen(title), buttons);
}

std::optional<ChosenFile> Win32Platform::ChooseFile(const OpenFileRequest& request) {
  // "Name\0patterns\0\0", as the dialog takes its filters.
  std::wstring filter = Widen(request.filter_name);
  filter.push_back(L'\0');
  filter += Widen(request.filter_patterns);
  filter.push_back(L'\0');
  const std::wstring title = Widen(request.title);
  std::vector<wchar_t> path(32768, L'\0');
  OPENFILENAMEW dialog{};
  dialog.lStructSize = sizeof dialog;
  dialog.hwndOwner = window_.handle();
  dialog.lpstrFilter = filter.c_str();
  dialog.nFilterIndex = 1;
  dialog.lpstrFile = path.data();
  dialog.nMaxFile = static_cast<DWORD>(path.size());
  dialog.lpstrTitle = title.c_str();
  dialog.Flags = OFN_EXPLORER | OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY;
  if (!GetOpenFileNameW(&dialog)) return std::nullopt;
  const std::wstring chosen(path.data());
  return ChosenFile{Narrow(chosen), Narrow(chosen.substr(std::min<std::size_t>(dialog.nFileOffset, chosen.size())))};
}

std::string Win32Platform::ToolPath(Tool tool) {
  return ExecutableFolder() + (tool == Tool::Dcscram ? "\\tools\\dcscram.exe" : "\\tools\\sh-elf-objcopy.exe");
}

std::string Win32Platform::ExecutableFolder() {
  const std::wstring path = ExecutablePathW();
  return Narrow(path.substr(0, path.find_last_of(L'\\')));
}

std::string Win32Platform::ExecutableName() {
  const std::wstring path = ExecutablePathW();
  std::wstring name = path.substr(path.find_last_of(L'\\') + 1);
  return Narrow(name.substr(0, name.find_last_of(L'.')));
}

std::string Win32Platform::CommandLineText() { return ArgumentText(Narrow(GetCommandLineW())); }

NumberSeparators Win32Platform::LocaleSeparators() {
  return {LocaleText(LOCALE_STHOUSAND, ","), LocaleText(LOCALE_SDECIMAL, ".")};
}

void Win32Platform::WriteSetting(const std::string& section, const std::string& key, const std::string& value) {
  WriteRegistryString(HKEY_CURRENT_USER, kSettingsKey + Widen(section), Widen(key), Widen(value));
}

void Win32Platform::WriteShellVerb(const std::string& extension, const std::string& verb, const std::string& command) {
  const ShellVerb entry{extension, verb};
  WriteRegistryString(HKEY_CURRENT_USER, kUserClassesKey + Widen(ShellCommandKey(entry)), L"", Widen(command));
  RemoveRegistryKey(HKEY_CURRENT_USER, kUserClassesKey + Widen(EarlierShellVerbKey(entry)));
}

void Win32Platform::EndAtOnce() { ExitProcess(0); }

}  // namespace quillet
