#include "win32/win32_window.h"

#include <commdlg.h>

#include <vector>

#include "app/form_layout.h"
#include "app/texts.h"
#include "sys/winapi/utf16.h"
#include "win32/message_box_kind.h"
#include "win32/relabelled_message_box.h"

namespace quillet {
namespace {

// A modal box or dialog leaves no control with the focus when it closes: Space or Enter would then
// press nothing. The control that had it gets it back.
class FocusKept {
 public:
  FocusKept() : control_(GetFocus()) {}
  FocusKept(const FocusKept&) = delete;
  FocusKept& operator=(const FocusKept&) = delete;
  ~FocusKept() {
    if (control_ && IsWindow(control_)) SetFocus(control_);
  }

 private:
  HWND control_;
};

}  // namespace

HWND Win32Window::Box(TextBox box) const {
  switch (box) {
    case TextBox::FileName: return window_.Control(kText1);
    case TextBox::Type: return window_.Control(kText2);
    case TextBox::Size: return window_.Control(kText3);
    case TextBox::Disc: return window_.Control(kText4);
  }
  return nullptr;
}

std::string Win32Window::BoxText(TextBox box) {
  HWND control = Box(box);
  std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(control)) + 1, L'\0');
  text.resize(static_cast<std::size_t>(GetWindowTextW(control, text.data(), static_cast<int>(text.size()))));
  return Narrow(text);
}

void Win32Window::SetBoxText(TextBox box, const std::string& text) {
  HWND control = Box(box);
  SetWindowTextW(control, Widen(text).c_str());
  // A long path shows its end, the file's name, and a box that changed says so to a screen reader.
  const LPARAM end = GetWindowTextLengthW(control);
  if (box == TextBox::FileName) {
    SendMessageW(control, EM_SETSEL, static_cast<WPARAM>(end), end);
    SendMessageW(control, EM_SCROLLCARET, 0, 0);
  }
  NotifyWinEvent(EVENT_OBJECT_VALUECHANGE, control, OBJID_CLIENT, CHILDID_SELF);
}

void Win32Window::EnableConvert(bool enabled) { EnableWindow(window_.Control(kCommand3), enabled); }

void Win32Window::CloseWindow() { PostMessageW(window_.handle(), WM_CLOSE, 0, 0); }

WindowPlacement Win32Window::Placement() {
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

Answer Win32Window::ShowMessage(const std::string& text, MessageKind kind, const std::string& title) {
  const FocusKept focus;
  return AnswerOf(MessageBoxW(window_.handle(), Widen(text).c_str(),
                              Widen(title.empty() ? kApplicationTitle : title).c_str(), MessageBoxType(kind)));
}

Answer Win32Window::AskRelabelled(const std::string& prompt, MessageKind kind, const std::string& title,
                                  const ButtonSettingTable& buttons) {
  const FocusKept focus;
  return AnswerOf(
      ShowRelabelledMessageBox(window_.handle(), Widen(prompt), MessageBoxType(kind), Widen(title), buttons));
}

std::optional<ChosenFile> Win32Window::ChooseFile(const OpenFileRequest& request) {
  const FocusKept focus;
  // "Name\0patterns\0" for each, then one more "\0", as the dialog takes its filters.
  std::wstring filter;
  for (const FileFilter& kind : request.filters) {
    filter += Widen(kind.name);
    filter.push_back(L'\0');
    filter += Widen(kind.patterns);
    filter.push_back(L'\0');
  }
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

void Win32Window::EndAtOnce() { ExitProcess(0); }

}  // namespace quillet
