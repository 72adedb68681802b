#include "app/button_captions.h"

#include <optional>

#include "util/run_time_error.h"

namespace quillet {

void ButtonSettingTable::SetButtonCaption(std::int16_t index, const ButtonSetting& setting) {
  if (index < 1 || index > 3) throw RunTimeError(error::kSubscriptOutOfRange);
  slots_[static_cast<std::size_t>(index - 1)] = setting;
}

std::vector<ButtonAssignment> WalkButtons(const ButtonSettingTable& table, std::size_t buttons) {
  // Mirrors the search by "next child after the previous button": the previous button starts
  // as none, slot 1 searches from the start, later slots only from a button found before.
  std::vector<ButtonAssignment> assignments;
  std::optional<std::size_t> previous;
  for (int index = 1; index <= 3; ++index) {
    const ButtonSetting& setting = table.Slot(index);
    if (setting.applies != kFlagSet || (index > 1 && !previous)) continue;
    const std::size_t next = previous ? *previous + 1 : 0;
    if (next >= buttons) break;
    previous = next;
    assignments.push_back({next, setting});
  }
  return assignments;
}

}  // namespace quillet
