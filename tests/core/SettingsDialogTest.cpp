// The redraw after the settings dialog closes (the dialog's own tests, in
// tests/qt, reach only the cover; these take every case headless).
#include <gtest/gtest.h>

#include <cstring>

#include "dialog/SettingsDialog.h"
#include "render/Screen.h"
#include "RenderFixture.h"

namespace {

struct RefreshCase {
  const char* name;
  int mode;
  std::int32_t flags;
  bool wipe;      // the screen comes in by the column wipe
  int modeAfter;  // the title screen resets the highlight
};

class RefreshAfterDialog : public RenderFixture, public ::testing::WithParamInterface<RefreshCase> {
 protected:
  void SetUp() override {
    RenderFixture::SetUp();
    platform.TickStep = 7;  // the wipe waits on the clock alone
    r->CoverWallpaper = Patterned(13, 11, 1);
    r->BodyWallpaper = Patterned(17, 9, 2);
    r->IntSettings[kBrightness1] = 100;
    r->IntSettings[kBrightness2] = 100;
    r->IntSettings[kMenuPosX] = 456;
    r->IntSettings[kMenuPosY] = 328;
    r->IntSettings[kMenuPosZ] = 24;
    r->IntSettings[kPageBar] = 1;
    r->PageStart = 0;
    r->TextLength = 100;
  }
};

TEST_P(RefreshAfterDialog, TakesTheFirstCaseThatApplies) {
  const RefreshCase c = GetParam();
  r->Mode = c.mode;
  RefreshAfterSettings(*r, c.flags);
  EXPECT_EQ(platform.Flushes, c.wipe ? screen::kWipeSteps : 0);
  EXPECT_EQ(r->Mode, c.modeAfter);
  // Whichever way it came, the window shows the whole back buffer.
  for (int y : {0, 240, 470})
    EXPECT_EQ(0, std::memcmp(platform.Window.Row(y), r->BackBuffer.Row(y), 640 * 3)) << "row " << y;
  // A composed screen shows its own wallpaper (the reading screen is
  // composed only when it is wiped in).
  if (c.modeAfter != 4) {
    EXPECT_EQ(r->BackBuffer.Pixel(5, 5), r->CoverWallpaper.Pixel(5, 5));
  } else if (c.wipe) {
    EXPECT_EQ(r->BackBuffer.Pixel(5, 5), r->BodyWallpaper.Pixel(5, 5));
  }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, RefreshAfterDialog,
    ::testing::Values(
        RefreshCase{"CoverChangedOnCover", -1, kCoverLookChanged, true, -1},
        RefreshCase{"BothChangedOnCover", 2, kCoverLookChanged | kBodyLookChanged, true, -1},
        RefreshCase{"BodyChangedOnCover", 2, kBodyLookChanged, false, -1},
        RefreshCase{"NothingOnCover", 0, 0, false, -1},
        RefreshCase{"BodyChangedReading", 4, kBodyLookChanged, true, 4},
        RefreshCase{"BothChangedReading", 4, kCoverLookChanged | kBodyLookChanged, true, 4},
        RefreshCase{"CoverChangedReading", 4, kCoverLookChanged, false, 4},
        RefreshCase{"NothingReading", 4, 0, false, 4}),
    [](const auto& info) { return std::string(info.param.name); });

// On the reading screen with nothing to recompose, only the page bar is
// brought up to date: drawn when PageBar is on, erased to the clean
// background when it is off; the text on the page stays.
TEST_F(RefreshAfterDialog, ReadingScreenOnlyRedrawsThePageBar) {
  r->Mode = 4;
  const Rect bar = screen::kPageBar;
  for (int pageBar : {0, 1}) {
    r->IntSettings[kPageBar] = pageBar;
    r->BackBuffer.FillRect({0, 0, 640, 480}, 0x123456);  // stands for the page shown
    r->BaseBitmap.FillRect({0, 0, 640, 480}, 0x654321);  // the clean background
    RefreshAfterSettings(*r, kCoverLookChanged);
    EXPECT_EQ(r->BackBuffer.Pixel(bar.Left + 1, bar.Top), pageBar ? kDarkGrey : Colour(0x654321));
    EXPECT_EQ(r->BackBuffer.Pixel(bar.Left - 1, bar.Top), Colour(0x123456));
    EXPECT_EQ(r->BackBuffer.Pixel(300, 200), Colour(0x123456));
    EXPECT_EQ(platform.Window.Pixel(bar.Left + 1, bar.Top),
              r->BackBuffer.Pixel(bar.Left + 1, bar.Top));
  }
  EXPECT_EQ(platform.Flushes, 0);
}

}  // namespace
