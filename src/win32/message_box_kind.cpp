#include "win32/message_box_kind.h"

namespace quillet {

UINT MessageBoxType(MessageKind kind) {
  UINT type = MB_OK;
  switch (kind.buttons) {
    case Buttons::Ok: type = MB_OK; break;
    case Buttons::YesNo: type = MB_YESNO; break;
    case Buttons::YesNoCancel: type = MB_YESNOCANCEL; break;
  }
  switch (kind.icon) {
    case Icon::None: break;
    case Icon::Critical: type |= MB_ICONSTOP; break;
    case Icon::Question: type |= MB_ICONQUESTION; break;
    case Icon::Information: type |= MB_ICONINFORMATION; break;
    case Icon::Warning: type |= MB_ICONWARNING; break;
  }
  return type;
}

Answer AnswerOf(int button) {
  switch (button) {
    case IDOK: return Answer::Ok;
    case IDCANCEL: return Answer::Cancel;
    case IDYES: return Answer::Yes;
    case IDNO: return Answer::No;
    default: return Answer::None;
  }
}

}  // namespace quillet
