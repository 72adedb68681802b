#pragma once

#include <windows.h>

#include <string>

#include "app/button_captions.h"

namespace quillet {

// ShowRelabelledMessageBox: the standard message box with the captions of `buttons` on its push buttons. The box
// offers no way to set them, so the screen's drawing is suspended, a one-shot 10 ms timer is armed
// on the owner, and the box is shown; the timer fires inside the box's own modal loop, finds it by
// its class and title, relabels its buttons (WalkButtons) and lets the screen draw again, so the
// stock captions are never seen. Returns what MessageBoxW returned: the code of the button pressed,
// whatever its caption, or 0 when the box could not be shown. `owner` must be a real window.
int ShowRelabelledMessageBox(HWND owner, const std::wstring& prompt, UINT type, const std::wstring& title,
                             const ButtonSettingTable& buttons);

}  // namespace quillet
