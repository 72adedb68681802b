#pragma once

#include <array>
#include <string_view>

// The main window's layout, in twips (1/1440 inch), as both front ends lay it out.
namespace quillet {

inline constexpr int kClientWidth = 4710;
inline constexpr int kClientHeight = 2505;

enum class ControlKind { TextBox, Button, Label };

struct ControlLayout {
  std::string_view name;  // Text1, Command3...
  ControlKind kind;
  std::string_view text;  // empty for a box, which starts with kInitialBoxText
  int left, top, width, height;
  bool enabled;  // the type and size boxes only show
};

// In the order the window creates them. The labels were sized for an old bitmap font; in today's
// fonts their words are wider, and nothing stands to their right, so the front ends let them grow.
inline constexpr std::array<ControlLayout, 8> kFormControls{{
    {"Text1", ControlKind::TextBox, "", 240, 360, 2655, 315, true},
    {"Command3", ControlKind::Button, "&Convert", 3480, 1080, 975, 375, true},
    {"Text3", ControlKind::TextBox, "", 240, 1800, 2655, 315, false},
    {"Text2", ControlKind::TextBox, "", 240, 1080, 2655, 315, false},
    {"Command1", ControlKind::Button, "&Browse", 3480, 360, 975, 375, true},
    {"Label3", ControlKind::Label, "File size", 240, 1560, 615, 255, true},
    {"Label2", ControlKind::Label, "Type of bin", 240, 840, 855, 255, true},
    {"Label1", ControlKind::Label, "File name", 240, 120, 735, 255, true},
}};

// The window's order, which Tab walks: Browse, then Convert, then the file-name box (the labels and
// the disabled boxes between them never take the focus). Indexes into kFormControls.
inline constexpr std::array<int, 8> kTabOrder{4, 7, 3, 6, 5, 2, 1, 0};

// Pixels for a length in twips at `dpi` dots per inch, rounded to the nearest; and back.
int TwipsToPixels(int twips, double dpi);
float PixelsToTwips(int pixels, double dpi);

}  // namespace quillet
