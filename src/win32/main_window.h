#pragma once

#include <windows.h>
// After windows.h, which it needs.
#include <shellapi.h>

namespace quillet {

class MainForm;

// The controls of the main window, numbered in the order the window creates them (kFormControls).
enum ControlId : int {
  kText1 = 1001,  // file name
  kCommand3,      // Convert
  kText3,         // size
  kText2,         // type
  kCommand1,      // Browse
  kLabel3,
  kLabel2,
  kLabel1,
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
