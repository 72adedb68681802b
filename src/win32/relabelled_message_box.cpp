#include "win32/relabelled_message_box.h"

#include <vector>

#include "sys/winapi/utf16.h"

namespace quillet {
namespace {

constexpr UINT_PTR kTimerId = 1;

// The module's state, shared by the request and the timer callback on the one UI thread: the title
// of the box most recently requested, and the settings to apply to it.
std::wstring g_current_title;
const ButtonSettingTable* g_buttons = nullptr;

void ApplyButtonSetting(HWND button, const std::string& caption, LONG style) {
  if (button == nullptr) return;
  SetWindowTextW(button, Widen(caption).c_str());
  // Bits are only ever added.
  SetWindowLongW(button, GWL_STYLE, GetWindowLongW(button, GWL_STYLE) | style);
}

void CALLBACK MsgBoxTimerProc(HWND window, UINT, UINT_PTR timer, DWORD) {
  KillTimer(window, timer);
  LockWindowUpdate(nullptr);  // whether or not the box is found
  HWND box = FindWindowW(L"#32770", g_current_title.c_str());
  if (box == nullptr || timer != kTimerId || g_buttons == nullptr) return;
  std::vector<HWND> buttons;
  for (HWND button = FindWindowExW(box, nullptr, L"BUTTON", nullptr); button != nullptr;
       button = FindWindowExW(box, button, L"BUTTON", nullptr)) {
    buttons.push_back(button);
  }
  for (const ButtonAssignment& assignment : WalkButtons(*g_buttons, buttons.size())) {
    ApplyButtonSetting(buttons[assignment.button], assignment.setting.caption, assignment.setting.style);
  }
}

}  // namespace

int ShowRelabelledMessageBox(HWND owner, const std::wstring& prompt, UINT type, const std::wstring& title,
                             const ButtonSettingTable& buttons) {
  g_current_title = title;
  g_buttons = &buttons;
  LockWindowUpdate(GetDesktopWindow());
  SetTimer(owner, kTimerId, 10, MsgBoxTimerProc);
  return MessageBoxW(owner, prompt.c_str(), title.c_str(), type);
}

}  // namespace quillet
