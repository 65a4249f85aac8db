#include <gtest/gtest.h>

#include <string>

#include "TitleFixture.h"
#include "text/SjisTexts.h"

namespace {

constexpr std::uint16_t kVkA = 65, kVkEscape = 27;

struct KeyCase {
  const char* name;
  int startMode;
  std::uint16_t key;
  int wantState;
  int wantMode;
};

class TitleKeys : public TitleFixture, public ::testing::WithParamInterface<KeyCase> {};

TEST_P(TitleKeys, KeyMovesTheHighlightAndSetsInputState) {
  const KeyCase& c = GetParam();
  r->SelectTitleItem(c.startMode, false);
  Forget();
  r->FormKeyDown(c.key);
  EXPECT_EQ(r->InputState, c.wantState);
  EXPECT_EQ(r->Mode, c.wantMode);
  // No key here carries anything out (Enter only acts on a highlighted item).
  EXPECT_TRUE(platform.Boxes.empty());
  EXPECT_TRUE(platform.FileDialogs.empty());
  r->FormKeyUp(c.key);
  EXPECT_EQ(r->InputState, 0);
}

INSTANTIATE_TEST_SUITE_P(
    Keys, TitleKeys,
    ::testing::Values(
        KeyCase{"DownFromNothing", -1, kVkDown, 4, 0}, KeyCase{"UpFromNothing", -1, kVkUp, 3, 0},
        KeyCase{"LeftFromNothing", -1, kVkLeft, 5, 0},
        KeyCase{"RightFromNothing", -1, kVkRight, 6, 0},
        KeyCase{"SpaceFromNothing", -1, kVkSpace, 1, 0},
        KeyCase{"EnterWithNothing", -1, kVkReturn, 2, -1},
        KeyCase{"DownOnLastStays", 3, kVkDown, 4, 3},
        KeyCase{"RightOnLastStays", 3, kVkRight, 6, 3}, KeyCase{"UpOnFirstStays", 0, kVkUp, 3, 0},
        KeyCase{"LeftOnFirstStays", 0, kVkLeft, 5, 0}, KeyCase{"Down", 1, kVkDown, 4, 2},
        KeyCase{"Up", 2, kVkUp, 3, 1}, KeyCase{"Right", 0, kVkRight, 6, 1},
        KeyCase{"Left", 3, kVkLeft, 5, 2}, KeyCase{"SpaceKeeps", 2, kVkSpace, 1, 2},
        KeyCase{"OtherKey", 1, kVkA, 0, 1}, KeyCase{"Escape", -1, kVkEscape, 0, -1}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(TitleFixture, EnterWithNothingHighlightedThenSpaceHighlightsFirst) {
  r->FormKeyDown(kVkReturn);
  EXPECT_EQ(r->Mode, -1);
  EXPECT_TRUE(platform.Boxes.empty());
  EXPECT_TRUE(platform.Copies.empty());
  r->FormKeyUp(kVkReturn);
  r->FormKeyDown(kVkSpace);
  EXPECT_EQ(r->Mode, 0);
  ASSERT_EQ(platform.Copies.size(), 1u);
  EXPECT_EQ(platform.Copies[0].Sy, 0);
}

TEST_F(TitleFixture, EnterCarriesOutTheHighlightedItem) {
  r->FormKeyDown(kVkDown);  // item 0: no text chosen yet
  r->FormKeyUp(kVkDown);
  r->FormKeyDown(kVkReturn);
  ASSERT_EQ(platform.Boxes.size(), 1u);
  EXPECT_EQ(platform.Boxes[0].Text, sjis::kMsgChooseTextFirst);
  EXPECT_EQ(r->InputState, 2);
}

TEST_F(TitleFixture, PressesWhileAKeyIsHeldAreIgnored) {
  r->FormKeyDown(kVkSpace);  // highlights item 0
  ASSERT_EQ(r->Mode, 0);
  r->FormKeyDown(kVkReturn);  // would warn if it got through
  r->FormKeyDown(kVkDown);
  r->FormKeyDown(kVkA);
  EXPECT_EQ(r->InputState, 1);
  EXPECT_EQ(r->Mode, 0);
  EXPECT_TRUE(platform.Boxes.empty());
  // Releasing any key clears the state, not only the one that set it.
  r->FormKeyUp(kVkA);
  EXPECT_EQ(r->InputState, 0);
}

TEST_F(TitleFixture, MouseButtonsAlwaysOverwriteInputState) {
  r->FormKeyDown(kVkUp);
  ASSERT_EQ(r->InputState, 3);
  r->FormMouseDown(MouseButton::Right, 10, 10);
  EXPECT_EQ(r->InputState, 1);
  r->FormMouseDown(MouseButton::Middle, 10, 10);
  EXPECT_EQ(r->InputState, 0);
  r->FormMouseDown(MouseButton::Right, 10, 10);
  r->FormMouseUp(MouseButton::Left, 10, 10);  // any button's release clears
  EXPECT_EQ(r->InputState, 0);
}

TEST_F(TitleFixture, PointerHighlightsTheRowUnderItAndLeavingTheBoxClears) {
  r->FormMouseMove(500, 328 + 2 * 28 + 5);
  EXPECT_EQ(r->Mode, 2);
  r->FormMouseMove(500, 328 + 27);
  EXPECT_EQ(r->Mode, 0);
  r->FormMouseMove(600, 340);  // just right of the box
  EXPECT_EQ(r->Mode, -1);
  EXPECT_TRUE(platform.Window == r->BackBuffer);

  // A click with nothing highlighted does nothing but set the state.
  platform.Owner = r.get();
  Forget();
  r->FormMouseDown(MouseButton::Left, 600, 340);
  EXPECT_EQ(r->InputState, 2);
  EXPECT_TRUE(platform.Boxes.empty());
  EXPECT_TRUE(platform.FileDialogs.empty());
  EXPECT_TRUE(platform.Copies.empty());
  EXPECT_FALSE(platform.CloseRequested);
}

TEST_F(TitleFixture, ClickAnywhereCarriesOutTheKeyboardHighlight) {
  for (int i = 0; i < 3; ++i) {
    r->FormKeyDown(kVkDown);
    r->FormKeyUp(kVkDown);
  }
  ASSERT_EQ(r->Mode, 2);
  r->FormMouseDown(MouseButton::Left, 5, 5);  // far outside the box
  EXPECT_EQ(platform.FileDialogs.size(), 1u);
  EXPECT_EQ(r->InputState, 2);
}

TEST_F(TitleFixture, ReadingScreenKeysAndPointerOnlySetInputState) {
  r->Mode = 4;
  Forget();
  struct {
    std::uint16_t key;
    int state;
  } const keys[] = {{kVkReturn, 2}, {kVkSpace, 1}, {kVkUp, 3},
                    {kVkDown, 4},   {kVkLeft, 5},  {kVkRight, 6}};
  for (const auto& k : keys) {
    r->FormKeyDown(k.key);
    EXPECT_EQ(r->InputState, k.state);
    r->FormKeyUp(k.key);
  }
  r->FormMouseMove(500, 340);  // over where the cover menu would be
  r->FormMouseDown(MouseButton::Left, 500, 340);
  EXPECT_EQ(r->InputState, 2);
  EXPECT_EQ(r->Mode, 4);
  EXPECT_TRUE(platform.Copies.empty());
  EXPECT_TRUE(platform.Boxes.empty());
  EXPECT_TRUE(platform.FileDialogs.empty());
}

// ---- the full-screen menu bar ----

TEST_F(TitleFixture, PointerAtTheTopRowShowsTheMenuBarOnlyInFullScreen) {
  r->MDisp1.Checked = false;
  r->FormMouseMove(100, 0);
  EXPECT_TRUE(platform.MenuBarCalls.empty());

  // Display switched to 640 x 480: the bar is shown and hidden in place.
  r->MDisp1.Checked = true;
  r->ScreenWidth = 1024;
  r->InstalledMenu = 1;
  r->FormMouseMove(100, 0);
  r->FormMouseMove(100, 1);
  EXPECT_EQ(platform.MenuBarCalls, (std::vector<bool>{true, false}));
  EXPECT_EQ(r->InstalledMenu, 1);
  EXPECT_EQ(platform.MenuChanges, 0);
}

TEST_F(TitleFixture, OnA640DesktopThePointerSwapsTheMainMenus) {
  r->MDisp1.Checked = true;
  r->ScreenWidth = 640;
  r->InstalledMenu = 2;
  struct {
    int y, menu, changes;
  } const steps[] = {{0, 1, 1}, {0, 1, 1}, {5, 2, 2}, {300, 2, 2}, {0, 1, 3}};
  for (const auto& s : steps) {
    r->FormMouseMove(20, s.y);
    EXPECT_EQ(r->InstalledMenu, s.menu) << "y " << s.y;
    EXPECT_EQ(platform.MenuChanges, s.changes) << "y " << s.y;
    ASSERT_FALSE(platform.MenuBarCalls.empty());
    EXPECT_EQ(platform.MenuBarCalls.back(), s.menu == 1);
  }
}

// ---- menu commands ----

TEST_F(TitleFixture, AboutBoxTextIsExact) {
  r->MAbout1Click();
  ASSERT_EQ(platform.Boxes.size(), 1u);
  EXPECT_EQ(platform.Boxes[0].Kind, BoxKind::Plain);
  EXPECT_EQ(platform.Boxes[0].Text, "       Pagelune\n\n    Version 2.04 [2002/04/22]");
  EXPECT_EQ(platform.Boxes[0].Caption, "Pagelune");
  EXPECT_EQ(platform.Beeps, 0);
}

TEST_F(TitleFixture, TitleAndSkipCommandsOnlySetFlags) {
  r->MTitle1Click();
  EXPECT_TRUE(r->ReturnToTitle);
  r->MSkip1Click();
  EXPECT_TRUE(r->Skipping);
  EXPECT_FALSE(r->MSkip1.Checked);
  r->MSkip1Click();
  EXPECT_FALSE(r->Skipping);
  EXPECT_FALSE(r->MSkip1.Checked);
  EXPECT_TRUE(platform.Copies.empty());
  EXPECT_TRUE(platform.Boxes.empty());
}

TEST_F(TitleFixture, ExitClosesTheWindow) {
  platform.Owner = r.get();
  r->MExit1Click();
  EXPECT_TRUE(platform.CloseRequested);
  EXPECT_TRUE(r->Closing);
}

TEST_F(TitleFixture, FullScreenCommandStoresTheCheckMark) {
  ASSERT_FALSE(r->MDisp1.Checked);
  r->MDisp1Click();
  EXPECT_TRUE(r->MDisp1.Checked);
  EXPECT_EQ(r->IntSettings[kFullScreen], 1);
  r->MDisp1Click();
  EXPECT_FALSE(r->MDisp1.Checked);
  EXPECT_EQ(r->IntSettings[kFullScreen], 0);
}

TEST_F(TitleFixture, FullScreenCommandDoesNothingOnceFixed) {
  // A 640-pixel desktop: full screen is on and its command disabled.
  r->MDisp1.Checked = true;
  r->MDisp1.Enabled = false;
  r->IntSettings[kFullScreen] = 0;  // written back unchanged at close
  r->MDisp1Click();
  EXPECT_TRUE(r->MDisp1.Checked);
  EXPECT_EQ(r->IntSettings[kFullScreen], 0);
}

}  // namespace
