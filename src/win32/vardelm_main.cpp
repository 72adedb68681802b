// vardelm.exe: Quillet's window on Windows.
#include <windows.h>
// After windows.h, which it needs.
#include <commctrl.h>

#include "app/main_form.h"
#include "win32/main_window.h"
#include "win32/win32_system.h"
#include "win32/win32_window.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
  INITCOMMONCONTROLSEX controls{sizeof controls, ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&controls);

  quillet::MainWindow window(instance);
  quillet::Win32Window form_window(window);
  quillet::Win32System system;
  quillet::MainForm form(form_window, system);
  window.Attach(form);
  // Runs before the window is first shown, and may end the program at once.
  form.Form_Load();
  window.Show();
  return window.RunMessageLoop();
}
