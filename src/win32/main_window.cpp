#include "win32/main_window.h"

#include <algorithm>
#include <array>
#include <string>
#include <string_view>
#include <vector>

#include "app/form_layout.h"
#include "app/main_form.h"
#include "app/texts.h"
#include "sys/winapi/utf16.h"
#include "win32/resources/resource.h"

namespace quillet {
namespace {

constexpr wchar_t kClassName[] = L"QuilletMainWindow";
constexpr DWORD kStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
constexpr DWORD kChild = WS_CHILD | WS_VISIBLE;

ControlId IdOf(Control control) { return static_cast<ControlId>(ControlIdOf(control)); }

// The menu bar, from the menus' table.
HMENU CreateMenuBar() {
  HMENU bar = CreateMenu();
  HMENU menu = nullptr;
  std::string_view menu_name;
  for (std::size_t index = 0; index < kMenuItems.size(); ++index) {
    const MenuItem& item = kMenuItems[index];
    if (!menu || item.menu_name != menu_name) {
      menu = CreatePopupMenu();
      menu_name = item.menu_name;
      AppendMenuW(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(menu), Widen(item.menu_caption).c_str());
    }
    AppendMenuW(menu, MF_STRING, static_cast<UINT_PTR>(MenuItemIdOf(index)), Widen(item.caption).c_str());
  }
  return bar;
}

const wchar_t* ClassOf(ControlKind kind) {
  switch (kind) {
    case ControlKind::TextBox:
    case ControlKind::TextArea: return L"EDIT";
    case ControlKind::Button: return L"BUTTON";
    case ControlKind::Label: return L"STATIC";
  }
  return L"STATIC";
}

DWORD StyleOf(const ControlLayout& control) {
  switch (control.kind) {
    // A read-only box is greyed as a disabled one, but its text keeps the window text's colour, and
    // the keyboard and a screen reader reach it.
    case ControlKind::TextBox: return kChild | ES_AUTOHSCROLL | WS_TABSTOP | (control.read_only ? ES_READONLY : 0);
    case ControlKind::TextArea:
      return kChild | ES_MULTILINE | ES_AUTOVSCROLL | WS_VSCROLL | WS_TABSTOP | (control.read_only ? ES_READONLY : 0);
    case ControlKind::Button: return kChild | WS_TABSTOP | BS_PUSHBUTTON;
    case ControlKind::Label: return kChild | SS_LEFT;
  }
  return kChild;
}

UINT SystemDpi() {
  HDC screen = GetDC(nullptr);
  const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
  ReleaseDC(nullptr, screen);
  return dpi > 0 ? static_cast<UINT>(dpi) : 96;
}

// The platform's dialog font, at the window's DPI.
HFONT CreateDialogFont(UINT dpi) {
  NONCLIENTMETRICSW metrics{};
  metrics.cbSize = sizeof metrics;
  SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0);
  LOGFONTW font = metrics.lfMessageFont;
  font.lfHeight = MulDiv(font.lfHeight, static_cast<int>(dpi), static_cast<int>(SystemDpi()));
  return CreateFontIndirectW(&font);
}

// The width of a control's text in `font`, in pixels.
int TextWidth(HWND control, HFONT font) {
  wchar_t text[64];
  const int length = GetWindowTextW(control, text, 64);
  HDC context = GetDC(control);
  HGDIOBJ previous = SelectObject(context, font);
  SIZE size{};
  GetTextExtentPoint32W(context, text, length, &size);
  SelectObject(context, previous);
  ReleaseDC(control, context);
  return size.cx;
}

}  // namespace

MainWindow::MainWindow(HINSTANCE instance) {
  WNDCLASSEXW window_class{};
  window_class.cbSize = sizeof window_class;
  window_class.lpfnWndProc = Procedure;
  window_class.hInstance = instance;
  window_class.hIcon = static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(IDI_QUILLET), IMAGE_ICON, 32, 32, 0));
  window_class.hIconSm =
      static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(IDI_QUILLET), IMAGE_ICON, GetSystemMetrics(SM_CXSMICON),
                                    GetSystemMetrics(SM_CYSMICON), 0));
  window_class.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));  // IDC_ARROW
  window_class.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  window_class.lpszClassName = kClassName;
  RegisterClassExW(&window_class);

  dpi_ = SystemDpi();
  window_ = CreateWindowExW(WS_EX_ACCEPTFILES, kClassName, Widen(kWindowCaption).c_str(), kStyle, CW_USEDEFAULT,
                            CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, nullptr, CreateMenuBar(), instance, this);
  CreateControls();
  Layout();
}

void MainWindow::CreateControls() {
  const std::wstring initial = Widen(kInitialBoxText);
  for (const ControlLayout& control : kFormControls) {
    const bool edit = control.kind == ControlKind::TextBox || control.kind == ControlKind::TextArea;
    CreateWindowExW(edit ? WS_EX_CLIENTEDGE : 0, ClassOf(control.kind),
                    control.text.empty() ? initial.c_str() : Widen(control.text).c_str(), StyleOf(control), 0, 0, 0, 0,
                    window_, reinterpret_cast<HMENU>(static_cast<INT_PTR>(IdOf(control.id))), nullptr, nullptr);
  }
  HWND previous = HWND_TOP;
  for (const quillet::Control id : kTabOrder) {
    HWND control = Control(IdOf(id));
    SetWindowPos(control, previous, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    previous = control;
  }
}

void MainWindow::Layout() {
  if (font_) DeleteObject(font_);
  font_ = CreateDialogFont(dpi_);
  for (const ControlLayout& control : kFormControls) {
    HWND child = Control(IdOf(control.id));
    int width = TwipsToPixels(control.width, dpi_);
    if (control.kind == ControlKind::Label) width = std::max(width, TextWidth(child, font_) + 2);
    MoveWindow(child, TwipsToPixels(control.left, dpi_), TwipsToPixels(control.top, dpi_), width,
               TwipsToPixels(control.height, dpi_), TRUE);
    SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(font_), TRUE);
  }
  RECT frame{0, 0, TwipsToPixels(kClientWidth, dpi_), TwipsToPixels(kClientHeight, dpi_)};
  AdjustWindowRectEx(&frame, kStyle, TRUE, 0);
  SetWindowPos(window_, nullptr, 0, 0, frame.right - frame.left, frame.bottom - frame.top,
               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void MainWindow::Show() {
  RECT frame, work;
  GetWindowRect(window_, &frame);
  SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
  const int width = frame.right - frame.left, height = frame.bottom - frame.top;
  SetWindowPos(window_, nullptr, work.left + (work.right - work.left - width) / 2,
               work.top + (work.bottom - work.top - height) / 2, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
  ShowWindow(window_, SW_SHOW);
  UpdateWindow(window_);
  SetFocus(Control(kCommand1));
}

int MainWindow::RunMessageLoop() {
  MSG message;
  while (GetMessageW(&message, nullptr, 0, 0) > 0) {
    // A button's Alt+letter moves the focus to the button before it presses it: once its work is
    // done (a dialog cancelled, a box closed), the focus goes back where it was.
    HWND before = message.message == WM_SYSCHAR ? GetFocus() : nullptr;
    // A text area wants every key, Tab too, which would leave the focus there for good: Tab and
    // Shift+Tab move on from it as from any other control.
    if (message.message == WM_KEYDOWN && message.wParam == VK_TAB && IsWindow(window_) &&
        message.hwnd == Control(kText4)) {
      SetFocus(GetNextDlgTabItem(window_, message.hwnd, GetKeyState(VK_SHIFT) < 0));
      continue;
    }
    if (IsWindow(window_) && IsDialogMessageW(window_, &message)) {
      if (before && IsWindow(before) && IsWindowEnabled(before) && IsChild(window_, before)) SetFocus(before);
      continue;
    }
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  return static_cast<int>(message.wParam);
}

void MainWindow::Run(void (MainForm::*handler)()) {
  if (form_ != nullptr) form_->Handle(handler);
}

void MainWindow::Drop(HDROP drop) {
  std::vector<std::string> paths;
  const UINT count = DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0);
  for (UINT i = 0; i < count; ++i) {
    std::wstring path(DragQueryFileW(drop, i, nullptr, 0) + 1, L'\0');
    path.resize(DragQueryFileW(drop, i, path.data(), static_cast<UINT>(path.size())));
    paths.push_back(Narrow(path));
  }
  DragFinish(drop);
  if (MainForm* form = form_) form->Handle([form, &paths] { form->Form_OLEDragDrop(paths); });
}

LRESULT CALLBACK MainWindow::Procedure(HWND window, UINT message, WPARAM w, LPARAM l) {
  if (message == WM_NCCREATE) {
    auto* self = static_cast<MainWindow*>(reinterpret_cast<CREATESTRUCTW*>(l)->lpCreateParams);
    self->window_ = window;
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
  }
  auto* self = reinterpret_cast<MainWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  return self ? self->Handle(message, w, l) : DefWindowProcW(window, message, w, l);
}

LRESULT MainWindow::Handle(UINT message, WPARAM w, LPARAM l) {
  switch (message) {
    case WM_COMMAND:
      switch (LOWORD(w)) {
        case kCommand1: Run(&MainForm::Command1_Click); return 0;
        case kCommand3: Run(&MainForm::Command3_Click); return 0;
        default: break;
      }
      for (std::size_t index = 0; index < kMenuItems.size(); ++index) {
        if (LOWORD(w) == MenuItemIdOf(index)) {
          Run(kMenuItems[index].handler);
          return 0;
        }
      }
      break;
    case WM_CLOSE:
      Run(&MainForm::Form_Unload);
      DestroyWindow(window_);
      return 0;
    case WM_DROPFILES: Drop(reinterpret_cast<HDROP>(w)); return 0;
    case WM_DESTROY: PostQuitMessage(0); return 0;
    case WM_DPICHANGED: {
      dpi_ = HIWORD(w);
      const RECT* suggested = reinterpret_cast<const RECT*>(l);
      SetWindowPos(window_, nullptr, suggested->left, suggested->top, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
      Layout();
      return 0;
    }
    default: break;
  }
  return DefWindowProcW(window_, message, w, l);
}

}  // namespace quillet
