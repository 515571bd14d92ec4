#include "ui/first_screen_choices.h"

#include <gtest/gtest.h>

#include "ui/first_screen_layout.h"

namespace ui {
namespace {

TEST(FirstScreenChoicesTest, GivenFlagsTakeTheirBoxesAway) {
  ChoiceFlags none;
  none.brand_taskbar_prompt = true;
  EXPECT_EQ(ShownCheckBoxes(none), (Choices{true, true, true}));

  ChoiceFlags given = none;
  given.make_default = false;  // given, even with the value "off"
  EXPECT_EQ(ShownCheckBoxes(given), (Choices{false, true, true}));
  given.send_statistics = true;
  given.taskbar_shortcut = false;
  EXPECT_EQ(ShownCheckBoxes(given), (Choices{false, false, false}));

  // A brand that does not ask about the taskbar never shows that box.
  ChoiceFlags no_prompt;
  EXPECT_EQ(ShownCheckBoxes(no_prompt), (Choices{true, true, false}));
}

TEST(FirstScreenChoicesTest, UacAtBrowserStartHidesMakeDefaultButKeepsTheLayout) {
  ChoiceFlags flags;
  flags.brand_taskbar_prompt = true;
  flags.uac_at_browser_start = true;
  EXPECT_EQ(ShownCheckBoxes(flags), (Choices{false, true, true}));
  // The table is still the three-box one: the other boxes stay where they were.
  EXPECT_EQ(CheckBoxMask(flags.make_default.has_value(), flags.send_statistics.has_value(),
                         flags.taskbar_shortcut.has_value(), flags.brand_taskbar_prompt),
            7);
}

TEST(FirstScreenChoicesTest, InitialTicksFollowTheBrandAndTheInterface) {
  EXPECT_EQ(InitialTicks(true, false, true), (Choices{true, false, true}));
  EXPECT_EQ(InitialTicks(false, true, true), (Choices{false, true, true}));
  EXPECT_EQ(InitialTicks(true, true, false), (Choices{false, true, true}));  // no interface: cleared
}

TEST(FirstScreenChoicesTest, FlagsWinOverBoxes) {
  Choices ticked{true, false, true};
  EXPECT_EQ(ResolveChoices(ChoiceFlags{}, ticked), ticked);

  ChoiceFlags flags;
  flags.make_default = false;
  flags.send_statistics = true;
  EXPECT_EQ(ResolveChoices(flags, ticked), (Choices{false, true, true}));
  flags.taskbar_shortcut = false;
  EXPECT_EQ(ResolveChoices(flags, ticked), (Choices{false, true, false}));

  // UAC mode 2 hides the make-default box, but its state still counts (the flag is absent).
  ChoiceFlags uac2;
  uac2.uac_at_browser_start = true;
  EXPECT_TRUE(ResolveChoices(uac2, ticked).make_default);
}

}  // namespace
}  // namespace ui
