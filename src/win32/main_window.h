#pragma once

#include <windows.h>
// After windows.h, which it needs.
#include <shellapi.h>

#include <cstddef>

#include "app/form_layout.h"

namespace quillet {

class MainForm;

// A control's Win32 identifier, and a menu item's: numbered from the layout's and the menus'
// tables, so that the window, its handlers and its tests agree by construction.
constexpr int ControlIdOf(Control control) { return 1001 + static_cast<int>(control); }
constexpr int MenuItemIdOf(std::size_t item) { return 201 + static_cast<int>(item); }

enum ControlId : int {
  kText1 = ControlIdOf(Control::Text1),        // file name
  kCommand3 = ControlIdOf(Control::Command3),  // Convert
  kText3 = ControlIdOf(Control::Text3),        // size
  kText2 = ControlIdOf(Control::Text2),        // type
  kCommand1 = ControlIdOf(Control::Command1),  // Browse
  kText4 = ControlIdOf(Control::Text4),        // disc
};
enum MenuItemId : int {
  IDM_FILE_EXIT = MenuItemIdOf(0),
  IDM_OPTIONS_SHELL = MenuItemIdOf(1),
  IDM_OPTIONS_SHELL_REMOVE = MenuItemIdOf(2),
  IDM_HELP_ABOUT = MenuItemIdOf(3),
};

// frmMain as a Win32 window: fixed single border, a minimise box and no maximise box, the menu
// bar, and the controls laid out in twips at the screen's real DPI.
class MainWindow {
 public:
  explicit MainWindow(HINSTANCE instance);
  MainWindow(const MainWindow&) = delete;
  MainWindow& operator=(const MainWindow&) = delete;

  // The form whose handlers the window's events run.
  void Attach(MainForm& form) { form_ = &form; }
  HWND handle() const { return window_; }
  HWND Control(ControlId id) const { return GetDlgItem(window_, id); }
  UINT Dpi() const { return dpi_; }

  // Centres the window on the screen, shows it and gives Browse the focus.
  void Show();
  // Runs the message loop until the window is gone; Tab and Alt+letter work as in a dialog.
  int RunMessageLoop();

 private:
  static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM w, LPARAM l);
  LRESULT Handle(UINT message, WPARAM w, LPARAM l);
  void CreateControls();
  void Layout();
  // Runs one of the form's handlers for an event.
  void Run(void (MainForm::*handler)());
  // Files dropped onto the window (WM_DROPFILES).
  void Drop(HDROP drop);

  HWND window_ = nullptr;
  HFONT font_ = nullptr;
  UINT dpi_ = 96;
  MainForm* form_ = nullptr;
};

}  // namespace quillet
