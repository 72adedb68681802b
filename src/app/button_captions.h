#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// The captions the system puts on a standard message box's push buttons, which the box itself
// offers no way to set: a table of three settings, and the rule that assigns them to the box's
// buttons in creation order. Both front ends apply the same rule to their own buttons.
namespace quillet {

// What to do with one button.
struct ButtonSetting {
  std::string caption;
  std::int32_t style = 0;  // style bits OR-ed into the button's own; 1 is BS_DEFPUSHBUTTON
  // A 16-bit flag, as the settings table stores it: kFlagSet (-1) applies the setting; any other
  // value, 0 included, skips the slot.
  std::int16_t applies = 0;

  bool operator==(const ButtonSetting&) const = default;
};

inline constexpr std::int16_t kFlagSet = -1;

// Three slots, numbered 1 to 3, all empty and inactive at first.
class ButtonSettingTable {
 public:
  // Replaces slot `index` with a copy of `setting`; an index outside 1..3 raises run-time error 9
  // and leaves the table as it was.
  void SetButtonCaption(std::int16_t index, const ButtonSetting& setting);

  const ButtonSetting& Slot(int index) const { return slots_.at(static_cast<std::size_t>(index - 1)); }

 private:
  std::array<ButtonSetting, 3> slots_{};
};

// One setting applied to one button.
struct ButtonAssignment {
  std::size_t button;  // 0-based, in the box's creation order
  ButtonSetting setting;

  bool operator==(const ButtonAssignment&) const = default;
};

// Which button each active slot goes to, for a box with `buttons` push buttons: slot 1, when
// active, takes the first button; each later active slot takes the button after the one the last
// applied slot took. An inactive slot uses up no button, but when slot 1 is inactive no button is
// changed at all; the walk stops at the first slot that finds no button left.
std::vector<ButtonAssignment> WalkButtons(const ButtonSettingTable& table, std::size_t buttons);

}  // namespace quillet
