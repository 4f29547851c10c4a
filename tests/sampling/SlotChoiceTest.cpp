#include "sampling/SlotChoice.h"

#include <gtest/gtest.h>

namespace dravel {
namespace {

using TSlots = std::vector<std::optional<std::size_t>>;
const std::vector<std::string> Listed{"eth0", "wlan0", "tun0", "wg0", "usb0"};

TEST(SlotChoiceTest, WithoutAChoiceTheSlotsFollowTheList) {
  EXPECT_EQ(AssignSlots(Listed, {}, 4), (TSlots{0, 1, 2, 3}));
  EXPECT_EQ(AssignSlots({"eth0"}, {}, 3), (TSlots{0, std::nullopt, std::nullopt}));
}

TEST(SlotChoiceTest, ChosenNamesTakeTheirSlotsAndTheRestSkipThem) {
  EXPECT_EQ(AssignSlots(Listed, {"tun0", "eth0"}, 4), (TSlots{2, 0, 1, 3}));
  EXPECT_EQ(AssignSlots(Listed, {"", "", "eth0"}, 4), (TSlots{1, 2, 0, 3}));
}

TEST(SlotChoiceTest, AbsentChoiceLeavesItsSlotEmptySoTheOthersKeepTheirPlaces) {
  EXPECT_EQ(AssignSlots(Listed, {"gone0", "wlan0"}, 3), (TSlots{std::nullopt, 1, 0}));
}

TEST(SlotChoiceTest, NameChosenForALaterSlotIsNotUsedTwice) {
  EXPECT_EQ(AssignSlots(Listed, {"", "", "", "", "eth0"}, 4), (TSlots{1, 2, 3, 4}));
  EXPECT_EQ(AssignSlots(Listed, {"wg0", "wg0"}, 2), (TSlots{3, 3}));
}

}  // namespace
}  // namespace dravel
