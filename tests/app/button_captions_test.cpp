#include "app/button_captions.h"

#include <gtest/gtest.h>

#include <vector>

#include "util/run_time_error.h"

namespace quillet {
namespace {

const ButtonSetting kA{"Scrambled", 1, -1};
const ButtonSetting kB{"Unscrambled", 0, -1};
const ButtonSetting kC{"Third", 0, -1};
const ButtonSetting kOff{"Skipped", 0, 0};

TEST(WalkButtonsTest, ActiveSlotsTakeTheButtonsInOrder) {
  struct Row {
    const char* name;
    std::vector<ButtonSetting> slots;
    std::size_t buttons;
    std::vector<ButtonAssignment> expected;
  };
  for (const Row& row : std::vector<Row>{
           {"the ELF question on Yes/No/Cancel", {kA, kB, {}}, 3, {{0, kA}, {1, kB}}},
           {"all three", {kA, kB, kC}, 3, {{0, kA}, {1, kB}, {2, kC}}},
           {"slot 1 inactive: nothing changes", {kOff, kB, kC}, 3, {}},
           {"a skipped slot uses no button", {kA, kOff, kC}, 3, {{0, kA}, {1, kC}}},
           {"one button: the walk stops quietly", {kA, kB, kC}, 1, {{0, kA}}},
           {"two buttons, three slots", {kA, kB, kC}, 2, {{0, kA}, {1, kB}}},
           {"no button at all", {kA, kB, kC}, 0, {}},
           {"Active 1 is not -1", {{"x", 0, 1}, kB, {}}, 3, {}},
           {"an empty caption is applied too", {{"", 0, -1}, {}, {}}, 3, {{0, {"", 0, -1}}}},
       }) {
    ButtonSettingTable table;
    for (std::int16_t slot = 1; slot <= 3; ++slot)
      table.SetButtonCaption(slot, row.slots[static_cast<std::size_t>(slot - 1)]);
    EXPECT_EQ(WalkButtons(table, row.buttons), row.expected) << row.name;
  }
}

TEST(ButtonSettingTableTest, OnlySlotsOneToThree) {
  ButtonSettingTable table;
  for (std::int16_t index : std::vector<std::int16_t>{0, 4, -1}) {
    try {
      table.SetButtonCaption(index, kA);
      ADD_FAILURE() << "slot " << index << " was accepted";
    } catch (const RunTimeError& failure) {
      EXPECT_EQ(failure.number(), 9);
    }
  }
  for (int slot = 1; slot <= 3; ++slot) EXPECT_EQ(table.Slot(slot), ButtonSetting{}) << "unchanged";
  table.SetButtonCaption(2, kA);
  table.SetButtonCaption(2, kC);
  EXPECT_EQ(table.Slot(2), kC) << "caption, style and flag replaced together";
}

}  // namespace
}  // namespace quillet
