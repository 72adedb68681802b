#include "win32/main_window.h"

#include <algorithm>
#include <array>
#include <string_view>

#include "app/form_texts.h"
#include "app/main_form.h"
#include "win32/resources/resource.h"
#include "win32/utf16.h"

namespace quillet {
namespace {

constexpr wchar_t kClassName[] = L"QuilletMainWindow";
constexpr DWORD kStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
constexpr int kClientWidth = 4710;  // twips
constexpr int kClientHeight = 2505;

struct ControlLayout {
  ControlId id;
  const wchar_t* window_class;
  const wchar_t* text;
  int left, top, width, height;  // twips
  DWORD style;
  DWORD extended_style;
};

constexpr DWORD kChild = WS_CHILD | WS_VISIBLE;

// In the order the window creates them.
constexpr std::array<ControlLayout, 8> kControls{{
    {kText1, L"EDIT", nullptr, 240, 360, 2655, 315, kChild | WS_TABSTOP | ES_AUTOHSCROLL, WS_EX_CLIENTEDGE},
    {kCommand3, L"BUTTON", L"&Convert", 3480, 1080, 975, 375, kChild | WS_TABSTOP | BS_PUSHBUTTON, 0},
    {kText3, L"EDIT", nullptr, 240, 1800, 2655, 315, kChild | WS_DISABLED | ES_AUTOHSCROLL, WS_EX_CLIENTEDGE},
    {kText2, L"EDIT", nullptr, 240, 1080, 2655, 315, kChild | WS_DISABLED | ES_AUTOHSCROLL, WS_EX_CLIENTEDGE},
    {kCommand1, L"BUTTON", L"&Browse", 3480, 360, 975, 375, kChild | WS_TABSTOP | BS_PUSHBUTTON, 0},
    {kLabel3, L"STATIC", L"File size", 240, 1560, 615, 255, kChild | SS_LEFT, 0},
    {kLabel2, L"STATIC", L"Type of bin", 240, 840, 855, 255, kChild | SS_LEFT, 0},
    {kLabel1, L"STATIC", L"File name", 240, 120, 735, 255, kChild | SS_LEFT, 0},
}};

// The focus order is the window order: Browse, then Convert, then the file-name box (the labels and
// the disabled boxes between them never take the focus).
constexpr std::array<ControlId, 8> kTabOrder{kCommand1, kLabel1, kText2, kLabel2, kLabel3, kText3, kCommand3, kText1};

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

int TwipsToPixels(int twips, UINT dpi) { return MulDiv(twips, static_cast<int>(dpi), 1440); }

float PixelsToTwips(int pixels, UINT dpi) { return static_cast<float>(pixels) * 1440.0f / static_cast<float>(dpi); }

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
  window_ =
      CreateWindowExW(0, kClassName, Widen(kWindowCaption).c_str(), kStyle, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT,
                      CW_USEDEFAULT, nullptr, LoadMenuW(instance, MAKEINTRESOURCEW(IDR_MAIN_MENU)), instance, this);
  CreateControls();
  Layout();
}

void MainWindow::CreateControls() {
  const std::wstring initial = Widen(kInitialBoxText);
  for (const ControlLayout& control : kControls) {
    CreateWindowExW(control.extended_style, control.window_class, control.text ? control.text : initial.c_str(),
                    control.style, 0, 0, 0, 0, window_, reinterpret_cast<HMENU>(static_cast<INT_PTR>(control.id)),
                    nullptr, nullptr);
  }
  HWND previous = HWND_TOP;
  for (ControlId id : kTabOrder) {
    SetWindowPos(Control(id), previous, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    previous = Control(id);
  }
}

void MainWindow::Layout() {
  if (font_) DeleteObject(font_);
  font_ = CreateDialogFont(dpi_);
  for (const ControlLayout& control : kControls) {
    HWND child = Control(control.id);
    int width = TwipsToPixels(control.width, dpi_);
    // The labels were sized for an old bitmap font; in today's dialog font their words are wider.
    // Nothing stands to their right, so they grow to fit rather than wrap out of sight.
    if (control.window_class == std::wstring_view(L"STATIC")) width = std::max(width, TextWidth(child, font_) + 2);
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
    if (IsWindow(window_) && IsDialogMessageW(window_, &message)) continue;
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  return static_cast<int>(message.wParam);
}

void MainWindow::Run(const std::function<void()>& handler) {
  if (form_ == nullptr) return;
  try {
    handler();
  } catch (const std::exception& failure) {
    // The handlers trap their own run-time errors; anything else is reported, not lost.
    MessageBoxW(window_, Widen(std::string("Quillet met an unexpected problem: ") + failure.what()).c_str(),
                Widen(kApplicationTitle).c_str(), MB_ICONERROR);
  }
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
        case kCommand1: Run([this] { form_->Command1_Click(); }); return 0;
        case kCommand3: Run([this] { form_->Command3_Click(); }); return 0;
        case IDM_FILE_EXIT: Run([this] { form_->mnuFileExit_Click(); }); return 0;
        case IDM_OPTIONS_SHELL: Run([this] { form_->mnuOptionsShell_Click(); }); return 0;
        case IDM_HELP_ABOUT: Run([this] { form_->mnuHelpAbout_Click(); }); return 0;
        default: break;
      }
      break;
    case WM_CLOSE:
      Run([this] { form_->Form_Unload(); });
      DestroyWindow(window_);
      return 0;
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
