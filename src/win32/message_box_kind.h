#pragma once

#include <windows.h>

#include "app/window.h"

// The one place where the window's message-box kinds and answers meet the Win32 numbers.
namespace quillet {

// The MessageBox type flags for `kind`: 0 (OK), 4 (Yes/No), 16 (stop icon), 35 (Yes/No/Cancel with
// the question icon), 64 (information icon).
UINT MessageBoxType(MessageKind kind);

// The button MessageBox returned (IDOK 1, IDCANCEL 2, IDYES 6, IDNO 7; 0 when it failed).
Answer AnswerOf(int button);

}  // namespace quillet
