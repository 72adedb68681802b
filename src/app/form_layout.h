#pragma once

#include <array>
#include <string_view>

// The main window's layout, in twips (1/1440 inch), as both front ends lay it out.
namespace quillet {

inline constexpr int kClientWidth = 4710;
// Room below the three boxes for a fourth, the disc's: what the boot report says of a disc image.
inline constexpr int kClientHeight = 3705;

// A text area wraps its text over its lines, and scrolls where there are more.
enum class ControlKind { TextBox, TextArea, Button, Label };

// The window's controls, in the order the window creates them: each is the row of kFormControls
// at its own index, and both windows number and find their controls by it.
enum class Control { Text1, Command3, Text3, Text2, Command1, Label3, Label2, Label1, Text4, Label4 };

struct ControlLayout {
  Control id;
  std::string_view name;  // Text1, Command3...
  ControlKind kind;
  std::string_view text;  // empty for a box, which starts with kInitialBoxText
  int left, top, width, height;
  // The type, size and disc boxes only show: greyed, but a person can tab to them and read them,
  // and a screen reader can.
  bool read_only;
};

// In the order the window creates them. The labels were sized for an old bitmap font; in today's
// fonts their words are wider, and nothing stands to their right, so the front ends let them grow.
inline constexpr std::array<ControlLayout, 10> kFormControls{{
    {Control::Text1, "Text1", ControlKind::TextBox, "", 240, 360, 2655, 315, false},
    {Control::Command3, "Command3", ControlKind::Button, "&Convert", 3480, 1080, 975, 375, false},
    {Control::Text3, "Text3", ControlKind::TextBox, "", 240, 1800, 2655, 315, true},
    {Control::Text2, "Text2", ControlKind::TextBox, "", 240, 1080, 2655, 315, true},
    {Control::Command1, "Command1", ControlKind::Button, "&Browse", 3480, 360, 975, 375, false},
    {Control::Label3, "Label3", ControlKind::Label, "File size", 240, 1560, 615, 255, false},
    {Control::Label2, "Label2", ControlKind::Label, "Type of bin", 240, 840, 855, 255, false},
    {Control::Label1, "Label1", ControlKind::Label, "File name", 240, 120, 735, 255, false},
    {Control::Text4, "Text4", ControlKind::TextArea, "", 240, 2520, 4215, 1020, true},
    {Control::Label4, "Label4", ControlKind::Label, "Disc", 240, 2280, 615, 255, false},
}};
constexpr bool EachRowAtItsIdsIndex() {
  for (std::size_t index = 0; index < kFormControls.size(); ++index) {
    if (static_cast<std::size_t>(kFormControls[index].id) != index) return false;
  }
  return true;
}
static_assert(EachRowAtItsIdsIndex(), "kFormControls lists the controls in the order of enum Control");

constexpr std::size_t IndexOf(Control control) { return static_cast<std::size_t>(control); }

// The window's order, which Tab walks: Browse, then Convert, then the file-name box, then the boxes
// that only show. Each label comes just before its box, whose accessible name it gives on Windows;
// labels never take the focus.
inline constexpr std::array<Control, 10> kTabOrder{
    Control::Command1, Control::Command3, Control::Label1, Control::Text1,  Control::Label2,
    Control::Text2,    Control::Label3,   Control::Text3,  Control::Label4, Control::Text4};

// The label that names a box (the label just before it), for screen readers.
constexpr std::string_view LabelOf(Control box) {
  for (std::size_t index = 1; index < kTabOrder.size(); ++index) {
    const ControlLayout& before = kFormControls[IndexOf(kTabOrder[index - 1])];
    if (kTabOrder[index] == box && before.kind == ControlKind::Label) return before.text;
  }
  return "";
}

// Pixels for a length in twips at `dpi` dots per inch, rounded to the nearest; and back.
int TwipsToPixels(int twips, double dpi);
float PixelsToTwips(int pixels, double dpi);

}  // namespace quillet
